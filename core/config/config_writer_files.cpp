#include "config/config_edits.h"
#include "config/config_writer.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "files/text_file.h"

#include <future>
#include <memory>
#include <optional>

namespace moorkeep::ConfigWriter {

namespace {

// The file's text; nothing when it is missing. A file that cannot be read,
// or is not UTF-8 text, must not be replaced with an edit of nothing.
std::optional<std::string> readConfig(const std::string& path) {
    files::ReadResult read = files::readFile(path);
    switch (read.status) {
    case files::ReadStatus::missing:
        return std::nullopt;
    case files::ReadStatus::unreadable:
        throw FileError("read", path, read.errorNumber);
    case files::ReadStatus::tooLarge:
        throw FileError(path + " is larger than 16 MiB; it was left unchanged.");
    case files::ReadStatus::ok:
        break;
    }
    if (!files::isValidUtf8(read.bytes))
        throw FileError(path + " is not valid UTF-8 text; it was left unchanged.");
    return std::move(read.bytes);
}

// The file as read, for the check before it is replaced.
struct Current {
    std::optional<std::string> bytes;
    const std::string& text() const {
        static const std::string empty;
        return bytes ? *bytes : empty;
    }
};

Current readCurrent(const std::string& path) {
    return {readConfig(path)};
}

// The new file is written and flushed while the check before the replace
// runs, and takes the old one's place only once the check let it.
void replace(const AtPath& atPath, const Current& current, const std::string& next) {
    if (!atPath.beforeReplace) {
        files::writeAtomically(atPath.path, next);
        return;
    }
    auto pending = std::async(std::launch::async, [&atPath, &next] {
        return std::make_unique<files::PendingReplacement>(atPath.path, next);
    });
    try {
        atPath.beforeReplace(atPath.path, current.bytes, next);
    } catch (...) {
        try {
            pending.get();
        } catch (const std::exception&) {
            // The refusal is what the caller hears of.
        }
        throw;
    }
    try {
        pending.get()->commit();
    } catch (...) {
        if (atPath.afterFailedReplace)
            atPath.afterFailedReplace();
        throw;
    }
}

// Writes the edit when there is one; the file keeps its permissions.
bool writeEdit(const AtPath& atPath, const Current& current,
               const std::optional<std::string>& edited) {
    if (!edited)
        return false;
    replace(atPath, current, *edited);
    return true;
}

// A new block goes at the end of the file, which is then owner-only.
void writeAppended(const AtPath& atPath, const Current& current, const std::string& text) {
    replace(atPath, current, text);
    files::setPermissions(files::resolveLinks(atPath.path), 0600);
}

void createParent(const std::string& path) {
    files::createDirectories(paths::parent(path), 0700);
}

} // namespace

void appendHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    checkChange(std::nullopt, host, defaults, keyIdToPath);
    createParent(atPath.path);
    const Current current = readCurrent(atPath.path);
    writeAppended(atPath, current, appendHostBlock(current.text(), host, defaults, keyIdToPath));
}

void insertHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath, std::size_t beforeLine) {
    checkChange(std::nullopt, host, defaults, keyIdToPath);
    createParent(atPath.path);
    const Current current = readCurrent(atPath.path);
    writeAppended(atPath, current,
                  insertHostBlock(current.text(), host, defaults, keyIdToPath, beforeLine));
}

bool moveHostBlock(const AtPath& atPath, const std::string& alias, std::size_t beforeLine) {
    const Current current = readCurrent(atPath.path);
    const auto moved = moveHostBlock(current.text(), alias, beforeLine);
    if (!moved)
        return false;
    replace(atPath, current, *moved);
    return true;
}

bool updateHostBlock(const AtPath& atPath, const SSHHost& host,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    const Current current = readCurrent(atPath.path);
    const auto original =
        config::hostInText(current.text(), originalAlias.value_or(host.alias), keyIdToPath);
    if (!original)
        return false;
    return updateHostBlock(atPath, host, *original, originalAlias, defaults, keyIdToPath);
}

bool updateHostBlock(const AtPath& atPath, const SSHHost& host, const SSHHost& original,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    checkChange(original, host, defaults, keyIdToPath);
    const Current current = readCurrent(atPath.path);
    return writeEdit(atPath, current,
                     config::editHostBlock(current.text(), host, original, originalAlias, defaults,
                                           keyIdToPath));
}

bool deleteHostBlock(const AtPath& atPath, const std::string& alias) {
    const Current current = readCurrent(atPath.path);
    return writeEdit(atPath, current, config::removeHostBlock(current.text(), alias));
}

bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath) {
    const Current current = readCurrent(atPath.path);
    return updateDefaultsBlock(atPath, defaults,
                               config::defaultsInText(current.text(), keyIdToPath), keyIdToPath);
}

bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults, const Defaults& original,
                         const KeyIdToPath& keyIdToPath) {
    checkChange(original, defaults, keyIdToPath);
    const Current current = readCurrent(atPath.path);
    return writeEdit(atPath, current,
                     config::editDefaultsBlock(current.text(), defaults, original, keyIdToPath));
}

void appendDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const std::optional<Defaults>& original, const KeyIdToPath& keyIdToPath) {
    checkChange(original, defaults, keyIdToPath);
    createParent(atPath.path);
    const Current current = readCurrent(atPath.path);
    writeAppended(atPath, current,
                  appendDefaultsBlock(current.text(), defaults, original, keyIdToPath));
}

} // namespace moorkeep::ConfigWriter
