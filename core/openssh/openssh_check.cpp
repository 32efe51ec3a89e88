#include "openssh/openssh_check.h"

#include "files/file_error.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/plain_file.h"
#include "files/stale_files.h"
#include "keys/key_tool.h"
#include "model/input_rules.h"
#include "openssh/scratch_folder.h"
#include "openssh/started_check.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::OpenSSHCheck {
namespace {

constexpr std::uint64_t largestInput = 16u << 20;

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// OpenSSH's Include takes a quoted path as one word.
std::string quotedForInclude(const std::string& path) {
    return "\"" + path + "\"";
}

// A shell that runs nothing, for Match exec during a check.
std::string inertShell() {
    for (const char* path : {"/usr/bin/false", "/bin/false"})
        if (::access(path, X_OK) == 0)
            return path;
    return "/nonexistent/shell";
}

struct Verdict {
    bool asked = false;
    std::string message; // empty when OpenSSH accepts the text
};

// The started check, when there is one, reads the text in place of a copy.
Verdict ask(const Request& request, std::string_view text, StartedCheck* started = nullptr) {
    std::optional<ScratchFolder> own;
    ScratchFolder& folder = started ? started->folder() : own.emplace();
    // An included file is read through a one-line wrapper that includes its
    // copy; the started check's FIFO is the wrapper, or the text itself.
    std::string copy;
    if (!started || request.included)
        copy = folder.write("copy", text, request.shownPath);
    const std::string including =
        request.included ? "Include " + quotedForInclude(copy) + "\n" : std::string();
    std::string wrapper;
    KeyToolResult result;
    if (started) {
        wrapper = started->inputPath();
        result = started->finish(request.included ? std::string_view(including) : text);
    } else {
        if (request.included)
            wrapper = folder.write("wrapper", including, request.shownPath);
        result = runCheck(request.sshPath, request.included ? wrapper : copy,
                          checkedDestination(request.destination));
    }
    if (result.status == -1)
        return {false, result.errorOutput};
    if (result.status == 0)
        return {true, {}};
    // Without a terminal ssh still ends its lines with "\r\n".
    std::string message = result.errorOutput;
    std::erase(message, '\r');
    if (!copy.empty())
        replaceAll(message, copy, request.shownPath);
    if (!wrapper.empty())
        replaceAll(message, wrapper, request.shownPath);
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    if (message.empty())
        message = "ssh -G stopped without a message (status " + std::to_string(result.status) +
                  "), perhaps at its time or memory limit.";
    return {true, message};
}

// The complaint's lines with line numbers and counts taken out, so that an
// error that only moved within the file reads the same.
std::vector<std::string> errorLines(const std::string& message) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= message.size()) {
        std::size_t end = message.find('\n', start);
        if (end == std::string::npos)
            end = message.size();
        std::string line;
        for (std::size_t i = start; i < end; ++i) {
            const char c = message[i];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                if (line.empty() || line.back() != '#')
                    line += '#';
            } else {
                line += c;
            }
        }
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Whether every error of the next text is one the current text has too.
bool onlyKnownErrors(const std::string& next, const std::string& current) {
    const auto now = errorLines(current);
    const auto then = errorLines(next);
    return std::includes(now.begin(), now.end(), then.begin(), then.end());
}

} // namespace

std::optional<std::string> findSsh(const std::string& configured, const std::string& keyToolPath) {
    if (::access(configured.c_str(), X_OK) == 0)
        return configured;
    const std::string beside = paths::join(paths::parent(keyToolPath), "ssh");
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return std::nullopt;
}

std::string checkedDestination(const std::string& destination) {
    // A destination ssh refuses on its command line would fail the check
    // for a reason that is not the file.
    return InputRules::isValidAlias(destination) ? destination : anyHost;
}

KeyToolResult runCheck(const std::string& ssh, const std::string& file,
                       const std::string& destination, const std::vector<std::string>& options,
                       double limit) {
    std::vector<std::string> arguments{"-G", "-F", file};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"-T", "--", destination});
    KeyToolOptions child;
    child.environment = {{"SHELL", inertShell()}};
    return runKeyTool(ssh, arguments, limit, child);
}

void sweepStaleChecks() {
    files::removeStaleEntries(files::temporaryRoot(), [](const std::string& name, bool isFolder) {
        return isFolder && name.starts_with(scratchPrefix);
    });
}

std::optional<std::string> unsafeInput(const std::vector<std::string>& files) {
    for (const auto& file : files) {
        struct stat facts {};
        if (::stat(file.c_str(), &facts) != 0)
            continue;
        if (!files::isPlainFile(file) || static_cast<std::uint64_t>(facts.st_size) > largestInput)
            return file;
    }
    return std::nullopt;
}

std::optional<std::string> checkReplacement(const Request& request,
                                            const std::optional<std::string>& current,
                                            const std::string& next, StartedCheck* started) {
    const Verdict changed = ask(request, next, started);
    if (!changed.asked)
        return "OpenSSH could not check the change of " + request.shownPath + " (" +
               changed.message + "); it was written unchecked.";
    if (changed.message.empty())
        return std::nullopt;
    if (current) {
        const Verdict before = ask(request, *current);
        if (!before.message.empty() && onlyKnownErrors(changed.message, before.message))
            return std::nullopt;
    }
    throw Rejection("OpenSSH would not accept the changed " + request.shownPath +
                    ", so nothing was changed:\n" + changed.message);
}

} // namespace moorkeep::OpenSSHCheck
