#include "openssh/openssh_check.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/interrupt_cleanup.h"
#include "files/paths.h"
#include "files/plain_file.h"
#include "files/stale_files.h"
#include "keys/key_tool.h"
#include "model/input_rules.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::OpenSSHCheck {
namespace {

constexpr std::uint64_t largestInput = 16u << 20;

constexpr const char* scratchPrefix = "moorkeep-check-";

// A fresh owner-only folder for the copies, removed with them, also by an
// interrupt (see InterruptCleanup) while ssh reads them.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string shownPath)
        : shownPath_(std::move(shownPath)) {
        path_ =
            files::makePrivateFolder(files::temporaryRoot(), scratchPrefix,
                                     "create a folder for checking the configuration in", folder_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string write(const std::string& name, std::string_view bytes) {
        const std::string path = paths::join(path_, name);
        interrupted_.push_back(std::make_unique<Guard>(Guard::Kind::file, path));
        int error = 0;
        {
            // A handler that begins meanwhile waits for the copy to exist.
            const InterruptCleanup::Making making;
            // The copy lives only while ssh reads it: it need not reach the
            // disk.
            error = files::writeNewFile(path, bytes, 0600, false);
        }
        if (error != 0)
            throw FileError("Could not write a copy of " + shownPath_ + " for OpenSSH to check (" +
                            FileError::reason(error) + "), so nothing was changed.");
        return path;
    }

private:
    using Guard = InterruptCleanup::Guard;

    std::string shownPath_;
    std::string path_;
    std::optional<Guard> folder_;
    std::vector<std::unique_ptr<Guard>> interrupted_;
};

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

Verdict ask(const Request& request, std::string_view text) {
    ScratchFolder folder(request.shownPath);
    const std::string copy = folder.write("config", text);
    std::string wrapper;
    if (request.included)
        wrapper = folder.write("wrapper", "Include " + quotedForInclude(copy) + "\n");
    // A destination ssh refuses on its command line would fail the check
    // for a reason that is not the file.
    const std::string destination =
        InputRules::isValidAlias(request.destination) ? request.destination : anyHost;
    const KeyToolResult result =
        runCheck(request.sshPath, request.included ? wrapper : copy, destination);
    if (result.status == -1)
        return {false, result.errorOutput};
    if (result.status == 0)
        return {true, {}};
    // Without a terminal ssh still ends its lines with "\r\n".
    std::string message = result.errorOutput;
    std::erase(message, '\r');
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

KeyToolResult runCheck(const std::string& ssh, const std::string& file,
                       const std::string& destination, const std::vector<std::string>& options) {
    std::vector<std::string> arguments{"-G", "-F", file};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"-T", "--", destination});
    KeyToolOptions child;
    child.environment = {{"SHELL", inertShell()}};
    return runKeyTool(ssh, arguments, limitSeconds, child);
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
                                            const std::string& next) {
    const Verdict changed = ask(request, next);
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
