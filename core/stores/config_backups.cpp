#include "stores/config_backups.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/interrupt_cleanup.h"
#include "files/paths.h"
#include "files/stale_files.h"
#include "files/text_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep {
namespace {

// "20261207T124500.123456Z": sorts as the times do.
constexpr std::size_t stampLength = 23;

std::string stamp(std::chrono::system_clock::time_point when) {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(micros / 1000000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &utc);
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%06lldZ", static_cast<long long>(micros % 1000000));
    return std::string(text) + fraction;
}

bool isStamp(std::string_view text) {
    if (text.size() != stampLength || text[8] != 'T' || text[15] != '.' || text[22] != 'Z')
        return false;
    for (std::size_t i = 0; i < 22; ++i)
        if (i != 8 && i != 15 && (text[i] < '0' || text[i] > '9'))
            return false;
    return true;
}

// "20261207T124500.123456Z" as "2026-12-07T12:45:00.123456Z".
std::string readableTime(std::string_view s) {
    return std::string(s.substr(0, 4)) + "-" + std::string(s.substr(4, 2)) + "-" +
           std::string(s.substr(6, 2)) + "T" + std::string(s.substr(9, 2)) + ":" +
           std::string(s.substr(11, 2)) + ":" + std::string(s.substr(13, 2)) +
           std::string(s.substr(15));
}

// The file's absolute path with "%" and "/" escaped, so that it is one file
// name and reads back exactly whichever home directory the store was given.
std::string encode(const std::string& file) {
    std::string out;
    for (char c : file) {
        if (c == '%')
            out += "%25";
        else if (c == '/')
            out += "%2F";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> decode(std::string_view name) {
    std::string path;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            path += name[i];
        } else if (name.substr(i, 3) == "%25") {
            path += '%';
            i += 2;
        } else if (name.substr(i, 3) == "%2F") {
            path += '/';
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (path.empty() || path.front() != '/')
        return std::nullopt;
    return path;
}

FileError backupFailed(const std::string& file, const std::string& folder, int error) {
    return FileError("Could not back up " + file + " to " + folder + " (" +
                     FileError::reason(error) + "), so it was not changed.");
}

constexpr const char* temporaryPrefix = ".backup.";

// A backup written whole under a name list() passes over, flushed to disk;
// removed again unless it took its place, also by an interrupt.
class BackupTemporary {
public:
    BackupTemporary(const std::string& folder, std::string_view bytes)
        : path_(paths::join(folder, std::string(temporaryPrefix) + "XXXXXX")) {
        const int fd = InterruptCleanup::makeTemporaryFile(path_, interrupted_);
        if (fd < 0) {
            error_ = errno;
            path_.clear();
            return;
        }
        error_ = files::finishFile(fd, bytes, 0600);
    }
    ~BackupTemporary() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    BackupTemporary(const BackupTemporary&) = delete;
    BackupTemporary& operator=(const BackupTemporary&) = delete;

    // 0, or the errno of the failed write.
    int error() const { return error_; }
    // Gives the complete file its name, which must be free: 0, EEXIST when
    // it is taken, or another errno.
    int placeAs(const std::string& path) const {
        return ::link(path_.c_str(), path.c_str()) == 0 ? 0 : errno;
    }

private:
    std::string path_;
    int error_ = 0;
    std::optional<InterruptCleanup::Guard> interrupted_;
};

} // namespace

ConfigBackups::ConfigBackups(std::string folder)
    : folder_(std::move(folder)) {}

std::string ConfigBackups::defaultFolder(const std::string& homedir) {
    // XDG base directories: a relative or empty value is to be ignored.
    const char* xdg = std::getenv("XDG_STATE_HOME");
    const std::string state = xdg && xdg[0] == '/' ? xdg : paths::join(homedir, ".local/state");
    return paths::join(paths::join(state, "Moorkeep"), "backups");
}

ConfigBackups::Saved ConfigBackups::save(const std::string& file, std::string_view bytes) const {
    // A folder that is a link is followed, but the mode of what it leads to
    // is its owner's business.
    struct stat facts {};
    const bool link = ::lstat(folder_.c_str(), &facts) == 0 && S_ISLNK(facts.st_mode);
    try {
        files::createDirectories(folder_, 0700);
        if (!link)
            files::setPermissions(folder_, 0700);
    } catch (const FileError& error) {
        throw FileError("Could not back up " + file + " to " + folder_ + ": " + error.what() +
                        " It was not changed.");
    }
    if (auto held = holding(file, bytes))
        return {std::move(*held), false};
    files::removeStaleEntries(folder_, [](const std::string& name, bool isFolder) {
        return !isFolder && name.starts_with(temporaryPrefix);
    });
    // Listed only once complete: a write that fails or is cut short leaves
    // no backup that could be restored.
    const BackupTemporary written(folder_, bytes);
    if (written.error() != 0)
        throw backupFailed(file, folder_, written.error());
    const std::string encoded = encode(file);
    auto when = std::chrono::system_clock::now();
    std::string id;
    for (;;) {
        id = stamp(when) + "_" + encoded;
        const int error = written.placeAs(paths::join(folder_, id));
        if (error == EEXIST) {
            when += std::chrono::microseconds(1);
            continue;
        }
        if (error != 0)
            throw backupFailed(file, folder_, error);
        break;
    }
    std::vector<ConfigBackup> same;
    for (auto& backup : list())
        if (backup.file == file)
            same.push_back(std::move(backup));
    for (std::size_t i = keptPerFile; i < same.size(); ++i)
        ::unlink(paths::join(folder_, same[i].id).c_str());
    return {std::move(id), true};
}

std::optional<std::string> ConfigBackups::holding(const std::string& file,
                                                  std::string_view bytes) const {
    for (auto& backup : list()) {
        if (backup.file != file || backup.size != bytes.size())
            continue;
        files::ReadResult kept = files::readFile(paths::join(folder_, backup.id));
        if (kept.status == files::ReadStatus::ok && kept.bytes == bytes)
            return std::move(backup.id);
    }
    return std::nullopt;
}

void ConfigBackups::discard(const std::string& id) const {
    ::unlink(paths::join(folder_, id).c_str());
}

std::vector<ConfigBackup> ConfigBackups::list() const {
    std::vector<ConfigBackup> backups;
    for (const auto& entry : files::entryNames(folder_).value_or(std::vector<std::string>{})) {
        const std::string_view name = entry;
        if (name.size() < stampLength + 2 || !isStamp(name.substr(0, stampLength)) ||
            name[stampLength] != '_')
            continue;
        auto file = decode(name.substr(stampLength + 1));
        struct stat facts {};
        const std::string path = paths::join(folder_, std::string(name));
        if (!file || ::lstat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode))
            continue;
        backups.push_back({std::string(name), *file, readableTime(name.substr(0, stampLength)),
                           static_cast<std::uint64_t>(facts.st_size)});
    }
    std::sort(backups.begin(), backups.end(),
              [](const ConfigBackup& a, const ConfigBackup& b) { return a.id > b.id; });
    return backups;
}

std::optional<ConfigBackup> ConfigBackups::find(const std::string& id) const {
    for (auto& backup : list())
        if (backup.id == id)
            return std::move(backup);
    return std::nullopt;
}

std::string ConfigBackups::read(const ConfigBackup& backup) const {
    const std::string path = paths::join(folder_, backup.id);
    files::ReadResult result = files::readFile(path);
    if (result.status != files::ReadStatus::ok)
        throw FileError("read", path,
                        result.status == files::ReadStatus::missing ? ENOENT : result.errorNumber);
    return std::move(result.bytes);
}

} // namespace moorkeep
