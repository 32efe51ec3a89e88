#include "diagnosis/file_modes.h"

#include "files/file_error.h"
#include "files/paths.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::FileModes {
namespace {

std::string octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777u);
    return text;
}

// Whether the file begins as a private key does.
bool looksPrivate(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    char head[80] = {};
    const ssize_t got = ::read(fd, head, sizeof head - 1);
    ::close(fd);
    const std::string text(head, got > 0 ? static_cast<std::size_t>(got) : 0);
    return text.starts_with("-----BEGIN ") && text.find("PRIVATE KEY-----") != std::string::npos;
}

std::set<std::string> keyFiles(const DiagnosisInput& input) {
    std::set<std::string> keys;
    const std::string folder = paths::join(input.files.home, ".ssh");
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string path = paths::join(folder, entry->d_name);
            struct stat facts {};
            if (entry->d_name[0] != '.' && ::lstat(path.c_str(), &facts) == 0 &&
                S_ISREG(facts.st_mode) && looksPrivate(path))
                keys.insert(path);
        }
        ::closedir(dir);
    }
    // Many hosts name the same few files: each is looked at once.
    std::set<std::string> named;
    for (const auto& line : input.evaluator.document().lines)
        if (line.keyword == "identityfile") {
            const std::string value = config::valueOf(line);
            if (value.find_first_of("%$") == std::string::npos && named.insert(value).second) {
                const std::string path = paths::standardize(value, input.files.home);
                if (!path.empty() && path.front() == '/' && looksPrivate(path))
                    keys.insert(path);
            }
        }
    return keys;
}

} // namespace

std::optional<Finding> configFileFinding(const StoreFiles& files, const std::string& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0)
        return std::nullopt;
    const bool ownerOk = facts.st_uid == 0 || facts.st_uid == ::getuid();
    if (ownerOk && (facts.st_mode & 022) == 0)
        return std::nullopt;
    // OpenSSH's words when it reads the file.
    Finding finding = findingAt(files, Severity::error, "config-permissions", path, 0,
                                "Bad owner or permissions on " + path);
    if (facts.st_uid == ::getuid())
        finding.fix = FindingFix{path, facts.st_mode & 0700u};
    return finding;
}

void check(const DiagnosisInput& input, std::vector<Finding>& findings) {
    for (const auto& file : input.evaluator.document().files)
        if (auto finding = configFileFinding(input.files, file))
            findings.push_back(std::move(*finding));
    for (const auto& key : keyFiles(input)) {
        struct stat facts {};
        if (::stat(key.c_str(), &facts) != 0 || facts.st_uid != ::getuid() ||
            (facts.st_mode & 077) == 0)
            continue;
        Finding finding =
            input.at(Severity::warning, "key-permissions", key, 0,
                     "UNPROTECTED PRIVATE KEY FILE: permissions " + octal(facts.st_mode) +
                         " let others read it, so ssh ignores this key.");
        finding.fix = FindingFix{key, facts.st_mode & 0700u};
        findings.push_back(std::move(finding));
    }
    const std::string folder = paths::join(input.files.home, ".ssh");
    struct stat facts {};
    if (::stat(folder.c_str(), &facts) == 0 && facts.st_uid == ::getuid() &&
        (facts.st_mode & 022) != 0) {
        Finding finding =
            input.at(Severity::warning, "folder-permissions", folder, 0,
                     "Others may write to this folder (permissions " + octal(facts.st_mode) +
                         "): they could replace its keys and configuration, and sshd refuses "
                         "authorized_keys in it.");
        finding.fix = FindingFix{folder, facts.st_mode & 0700u};
        findings.push_back(std::move(finding));
    }
}

void apply(const FindingFix& fix, const std::string& shownPath) {
    const int fd = ::open(fix.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw FileError("Could not change the permissions of " + shownPath + " (" +
                        FileError::reason(errno) + ").");
    struct stat facts {};
    int error = ::fstat(fd, &facts) != 0 ? errno : 0;
    if (error == 0 &&
        (facts.st_uid != ::getuid() || !(S_ISREG(facts.st_mode) || S_ISDIR(facts.st_mode))))
        error = EPERM;
    // Only bits are taken away: the mode becomes the owner's part of what it was.
    if (error == 0 && ::fchmod(fd, facts.st_mode & 0700u) != 0)
        error = errno;
    ::close(fd);
    if (error != 0)
        throw FileError("Could not change the permissions of " + shownPath + " (" +
                        FileError::reason(error) + ").");
}

} // namespace moorkeep::FileModes
