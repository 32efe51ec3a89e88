#include "metadata/user_meta_store.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "metadata/user_meta_json.h"
#include "stores/unreadable_copy.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace moorkeep {
namespace {

constexpr const char* folderName = "Moorkeep";
constexpr const char* fileName = "moorkeep-config.json";

// XDG base directories: a relative or empty value is to be ignored.
std::string dataHome(const std::string& homedir) {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return paths::join(homedir, ".local/share");
}

// The file about to be replaced may hold display names and stored hosts that
// this process could not read. A file that cannot even be read is not
// replaced at all; the bytes of one that does not decode are kept beside it
// (by keepUndecodable) before anything overwrites them.
struct CurrentFile {
    std::string bytes;
    std::optional<nlohmann::json> document; // set when it decodes
};

CurrentFile readCurrent(const std::string& path) {
    files::ReadResult current = files::readFile(path);
    switch (current.status) {
    case files::ReadStatus::missing:
        return {};
    case files::ReadStatus::unreadable:
        throw FileError("Could not save " + path + ": the file there cannot be read (" +
                        std::strerror(current.errorNumber) + "), so it was left as it is");
    case files::ReadStatus::tooLarge:
        throw FileError("Could not save " + path +
                        ": the file there is larger than 16 MiB, so it was left as it is");
    case files::ReadStatus::ok:
        break;
    }
    CurrentFile file{std::move(current.bytes), std::nullopt};
    if (!file.bytes.empty() && UserMetaJson::decode(file.bytes))
        file.document = nlohmann::json::parse(file.bytes);
    return file;
}

void keepUndecodable(const std::string& path, const CurrentFile& file) {
    if (!file.bytes.empty() && !file.document)
        UnreadableCopy::keep(path, file.bytes, std::time(nullptr));
}

} // namespace

UserMetaStore::UserMetaStore(std::string path)
    : path_(std::move(path)) {}

UserMeta UserMetaStore::load() const {
    std::vector<std::string> ignored;
    return load(ignored);
}

UserMeta UserMetaStore::load(std::vector<std::string>& warnings) const {
    files::ReadResult read = files::readFile(path_);
    switch (read.status) {
    case files::ReadStatus::missing:
        return {};
    case files::ReadStatus::unreadable:
        warnings.push_back("Could not read " + path_ + " (" + std::strerror(read.errorNumber) +
                           "); display names and stored hosts are not shown.");
        return {};
    case files::ReadStatus::tooLarge:
        warnings.push_back(path_ +
                           " is larger than 16 MiB and was not read; display names and stored "
                           "hosts are not shown.");
        return {};
    case files::ReadStatus::ok:
        break;
    }
    if (read.bytes.empty())
        return {};
    auto meta = UserMetaJson::decode(read.bytes);
    if (!meta)
        warnings.push_back(path_ +
                           " cannot be read by this version; display names and stored hosts "
                           "from it are not shown.");
    return meta.value_or(UserMeta{});
}

std::optional<UserMeta> UserMetaStore::loadRecord() const {
    files::ReadResult read = files::readFile(path_);
    if (read.status == files::ReadStatus::missing)
        return UserMeta{};
    if (read.status != files::ReadStatus::ok || read.bytes.empty())
        return std::nullopt;
    return UserMetaJson::decode(read.bytes);
}

void UserMetaStore::checkWritable() const {
    readCurrent(path_);
    const std::string folder = paths::parent(path_);
    files::createDirectories(folder, 0700);
    // Asking the system whether the folder is writable says yes to root even
    // where a write fails (an immutable folder, a read-only mount, a full
    // disk): only a write tells.
    std::string probe = paths::join(folder, ".moorkeep-probe-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    int error = fd < 0 ? errno : files::finishFile(fd, "probe", 0600, false);
    if (fd >= 0)
        ::unlink(probe.c_str());
    if (error != 0)
        throw FileError("Could not save " + path_ + ": its folder cannot be written (" +
                        std::strerror(error) + "), so nothing was changed");
}

void UserMetaStore::save(const UserMeta& meta) const {
    const CurrentFile current = readCurrent(path_);
    std::string bytes;
    try {
        bytes = current.document ? UserMetaJson::encode(meta, *current.document)
                                 : UserMetaJson::encode(meta);
    } catch (const std::invalid_argument& reason) {
        throw FileError("Could not save " + path_ + ": " + reason.what());
    }
    files::createDirectories(paths::parent(path_), 0700);
    keepUndecodable(path_, current);
    files::writeAtomically(path_, bytes, 0600);
    // An existing file keeps its mode through the atomic write; this file is
    // private whatever it had before.
    files::setPermissions(path_, 0600);
}

std::string UserMetaStore::defaultPath(const std::string& homedir) {
    return paths::join(paths::join(dataHome(homedir), folderName), fileName);
}

std::vector<SSHKey> UserMetaStore::merge(const std::vector<SSHKey>& scanned,
                                         const std::vector<KeyMetaEntry>& overrides) {
    // A hand-edited file may name one key twice: the later entry wins.
    std::map<std::string, std::string> names;
    for (const auto& entry : overrides)
        names[entry.id] = entry.name;
    std::vector<SSHKey> out = scanned;
    for (auto& key : out) {
        auto it = names.find(key.id);
        if (it != names.end() && !it->second.empty())
            key.name = it->second;
    }
    return out;
}

} // namespace moorkeep
