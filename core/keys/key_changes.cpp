#include "keys/key_changes.h"

#include "keys/askpass.h"

#include <memory>

namespace moorkeep::KeyChanges {
namespace {

KeyToolResult run(const std::string& toolPath, const std::vector<std::string>& args,
                  const std::string& oldPassphrase, const std::string& newPassphrase) {
    if (oldPassphrase.empty() && newPassphrase.empty())
        return runKeyTool(toolPath, args, changeLimitSeconds);
    Askpass askpass(oldPassphrase, newPassphrase);
    return runKeyTool(toolPath, args, changeLimitSeconds, askpass.options());
}

} // namespace

KeyToolResult generate(const std::string& toolPath, const std::string& privatePath,
                       const GenerateKeyOptions& options) {
    const std::string passphrase = options.passphrase.value_or("");
    std::vector<std::string> args{"-t", options.type, "-f", privatePath};
    if (passphrase.empty()) {
        args.push_back("-N");
        args.push_back("");
    }
    if (options.type == "rsa") {
        args.push_back("-b");
        args.push_back("4096");
    }
    if (options.comment && !options.comment->empty()) {
        args.push_back("-C");
        args.push_back(*options.comment);
    }
    return run(toolPath, args, "", passphrase);
}

KeyToolResult changePassphrase(const std::string& toolPath, const std::string& privatePath,
                               const std::string& oldPassphrase, const std::string& newPassphrase) {
    std::vector<std::string> args{"-p"};
    if (oldPassphrase.empty()) {
        args.push_back("-P");
        args.push_back("");
    }
    if (newPassphrase.empty()) {
        args.push_back("-N");
        args.push_back("");
    }
    args.push_back("-f");
    args.push_back(privatePath);
    return run(toolPath, args, oldPassphrase, newPassphrase);
}

KeyToolResult publicHalf(const std::string& toolPath, const std::string& privatePath,
                         const std::string& passphrase) {
    // The tool tries the empty passphrase by itself and asks only for a
    // protected key; then the one answer is the passphrase.
    return run(toolPath, {"-y", "-f", privatePath}, "", passphrase);
}

std::string failureMessage(const KeyToolResult& result) {
    if (!result.errorOutput.empty())
        return result.errorOutput;
    return "ssh-keygen exited with code " + std::to_string(result.status);
}

std::string failureMessage(const KeyToolResult& result, const std::string& workingPath,
                           const std::string& shownPath) {
    std::string raw = failureMessage(result);
    if (!workingPath.empty())
        for (auto at = raw.find(workingPath); at != std::string::npos;
             at = raw.find(workingPath, at + shownPath.size()))
            raw.replace(at, workingPath.size(), shownPath);
    std::string message;
    for (char c : raw) {
        const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!space)
            message += c;
        else if (!message.empty() && message.back() != ' ')
            message += ' ';
    }
    if (!message.empty() && message.back() == ' ')
        message.pop_back();
    return message;
}

bool isWrongPassphrase(const KeyToolResult& result) {
    return result.status != 0 &&
           result.errorOutput.find("incorrect passphrase") != std::string::npos;
}

} // namespace moorkeep::KeyChanges
