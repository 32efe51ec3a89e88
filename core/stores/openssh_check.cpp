#include "stores/openssh_check.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "keys/key_tool.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace moorkeep::OpenSSHCheck {
namespace {

// A fresh owner-only folder for the copies, removed with them.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            paths::join(tmp && tmp[0] == '/' ? tmp : "/tmp", "moorkeep-check-XXXXXX");
        if (!::mkdtemp(pattern.data()))
            throw FileError("create a folder for checking the configuration", pattern, errno);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string write(const std::string& name, std::string_view bytes) const {
        const std::string path = paths::join(path_, name);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            throw FileError("write", path, errno);
        // The copy lives only while ssh reads it: it need not reach the disk.
        if (int error = files::finishFile(fd, bytes, 0600, false))
            throw FileError("write", path, error);
        return path;
    }

private:
    std::string path_;
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

} // namespace

std::optional<std::string> complaint(const Request& request, std::string_view text) {
    ScratchFolder folder;
    const std::string copy = folder.write("config", text);
    std::string wrapper;
    if (request.included)
        wrapper = folder.write("wrapper", "Include " + quotedForInclude(copy) + "\n");
    const KeyToolResult result = runKeyTool(
        request.sshPath, {"-G", "-F", request.included ? wrapper : copy, "--", request.destination},
        limitSeconds);
    if (result.status == 0 || result.status == -1)
        return std::nullopt;
    std::string message = result.errorOutput;
    replaceAll(message, copy, request.shownPath);
    if (!wrapper.empty())
        replaceAll(message, wrapper, request.shownPath);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    if (message.empty())
        message = "ssh -G stopped without a message (status " + std::to_string(result.status) +
                  "), perhaps at its time limit.";
    return message;
}

void checkReplacement(const Request& request, const std::optional<std::string>& current,
                      const std::string& next) {
    auto rejected = complaint(request, next);
    if (!rejected || (current && complaint(request, *current)))
        return;
    throw FileError("OpenSSH would not accept the changed " + request.shownPath +
                    ", so nothing was changed:\n" + *rejected);
}

} // namespace moorkeep::OpenSSHCheck
