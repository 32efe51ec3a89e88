#include "knownhosts/known_host_reading.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "knownhosts/known_hosts_file.h"

#include <algorithm>
#include <sys/stat.h>

namespace moorkeep::knownhosts {

namespace {

// A file named twice is read once, as ssh would find its keys once.
std::vector<std::string> distinct(const std::vector<std::string>& files) {
    std::vector<std::string> out;
    for (const auto& file : files)
        if (std::find(out.begin(), out.end(), file) == out.end())
            out.push_back(file);
    return out;
}

struct PlannedFile {
    std::string path;
    SteadyRead read;
    Removal removal;
};

std::optional<PlannedFile> plan(const std::string& path, const std::string& name,
                                const std::string& home) {
    auto read = readSteadily(path);
    if (!read)
        return std::nullopt;
    Removal removal = withoutName(read->bytes, name);
    if (removal.removed == 0)
        return std::nullopt;
    if (removal.firstMalformedLine != 0)
        throw FileError(paths::tilded(path, home) + " line " +
                        std::to_string(removal.firstMalformedLine) +
                        " is not a known-hosts line OpenSSH can read, so ssh-keygen -R would not "
                        "change the file either; nothing was changed.");
    return PlannedFile{path, std::move(*read), std::move(removal)};
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0600;
}

// Whether the file was replaced: not when it changed since it was read.
bool replace(const PlannedFile& file) {
    const mode_t mode = modeOf(file.path);
    const std::string backup = file.path + ".old";
    files::writeAtomically(backup, file.read.bytes, mode);
    files::setPermissions(backup, mode);
    files::PendingReplacement replacement(file.path, file.removal.bytes, mode);
    return replacement.commitIfStill(file.read.stamp);
}

} // namespace

void readKeys(KnownHostKeys& lookup) {
    lookup.keys.clear();
    lookup.malformedLines = 0;
    for (bool global : {false, true}) {
        for (const auto& file : distinct(global ? lookup.globalFiles : lookup.userFiles)) {
            const auto read = readSteadily(file);
            if (!read)
                continue;
            FileMatches found = findKeys(read->bytes, lookup.lookupName, file, global);
            lookup.malformedLines += found.malformedLines;
            std::move(found.keys.begin(), found.keys.end(), std::back_inserter(lookup.keys));
        }
    }
}

ForgottenHostKeys forgetKeys(const KnownHostKeys& lookup, const std::string& home) {
    std::vector<PlannedFile> planned;
    for (const auto& file : distinct(lookup.userFiles))
        if (auto one = plan(file, lookup.lookupName, home))
            planned.push_back(std::move(*one));
    ForgottenHostKeys forgotten;
    for (auto& file : planned) {
        std::optional<PlannedFile> current = std::move(file);
        for (int attempt = 0; current; ++attempt) {
            if (attempt == 5)
                throw FileError(paths::tilded(current->path, home) +
                                " kept changing while it was read; it was not changed.");
            if (replace(*current)) {
                forgotten.files.push_back(
                    {current->path, current->removal.removed, current->path + ".old"});
                break;
            }
            current = plan(current->path, lookup.lookupName, home);
        }
    }
    return forgotten;
}

} // namespace moorkeep::knownhosts
