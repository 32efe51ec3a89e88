#include "editing/config_edits.h"
#include "editing/config_writer.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/fresh_replacement.h"
#include "files/paths.h"
#include "files/text_file.h"

#include <functional>
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

using Edit = std::function<std::optional<std::string>(std::string_view text)>;

// Applies the edit to the file as it is when it is replaced, however often
// another program changes it meanwhile (see files::replaceFresh); the check
// before the replace judges each attempt.
bool writeEdit(const AtPath& atPath, const Edit& edit) {
    return files::replaceFresh(
        atPath.path,
        {.read = readConfig,
         .edit =
             [&edit](const std::optional<std::string>& current) {
                 return edit(current ? std::string_view(*current) : std::string_view());
             },
         .prepare =
             [&atPath](const std::optional<std::string>& current, const std::string& next) {
                 if (atPath.beforeReplace)
                     atPath.beforeReplace(atPath.path, current, next);
             },
         .unprepare =
             [&atPath] {
                 if (atPath.afterFailedReplace)
                     atPath.afterFailedReplace();
             }});
}

// A new block goes into the file, which is then owner-only.
void writeAdded(const AtPath& atPath, const std::function<std::string(std::string_view)>& add) {
    writeEdit(atPath, [&add](std::string_view text) { return std::optional(add(text)); });
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
    writeAdded(atPath, [&](std::string_view text) {
        return appendHostBlock(text, host, defaults, keyIdToPath);
    });
}

void insertHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath, std::size_t beforeLine) {
    checkChange(std::nullopt, host, defaults, keyIdToPath);
    createParent(atPath.path);
    writeAdded(atPath, [&](std::string_view text) {
        return insertHostBlock(text, host, defaults, keyIdToPath, beforeLine);
    });
}

bool moveHostBlock(const AtPath& atPath, const std::string& alias, std::size_t beforeLine) {
    return writeEdit(atPath,
                     [&](std::string_view text) { return moveHostBlock(text, alias, beforeLine); });
}

bool updateHostBlock(const AtPath& atPath, const SSHHost& host,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    const auto current = readConfig(atPath.path);
    const auto original = config::hostInText(current.value_or(std::string()),
                                             originalAlias.value_or(host.alias), keyIdToPath);
    if (!original)
        return false;
    return updateHostBlock(atPath, host, *original, originalAlias, defaults, keyIdToPath);
}

bool updateHostBlock(const AtPath& atPath, const SSHHost& host, const SSHHost& original,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    checkChange(original, host, defaults, keyIdToPath);
    return writeEdit(atPath, [&](std::string_view text) {
        return config::editHostBlock(text, host, original, originalAlias, defaults, keyIdToPath);
    });
}

bool moveAndUpdateHostBlock(const AtPath& atPath, const SSHHost& host, const SSHHost& original,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath,
                            std::size_t beforeLine) {
    checkChange(original, host, defaults, keyIdToPath);
    return writeEdit(atPath, [&](std::string_view text) -> std::optional<std::string> {
        const auto moved = moveHostBlock(text, originalAlias.value_or(host.alias), beforeLine);
        if (!moved)
            return std::nullopt;
        return config::editHostBlock(*moved, host, original, originalAlias, defaults, keyIdToPath);
    });
}

bool deleteHostBlock(const AtPath& atPath, const std::string& alias) {
    return writeEdit(atPath,
                     [&](std::string_view text) { return config::removeHostBlock(text, alias); });
}

bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath) {
    const auto current = readConfig(atPath.path);
    return updateDefaultsBlock(atPath, defaults,
                               config::defaultsInText(current.value_or(std::string()), keyIdToPath),
                               keyIdToPath);
}

bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults, const Defaults& original,
                         const KeyIdToPath& keyIdToPath) {
    checkChange(original, defaults, keyIdToPath);
    return writeEdit(atPath, [&](std::string_view text) {
        return config::editDefaultsBlock(text, defaults, original, keyIdToPath);
    });
}

void appendDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const std::optional<Defaults>& original, const KeyIdToPath& keyIdToPath) {
    checkChange(original, defaults, keyIdToPath);
    createParent(atPath.path);
    writeAdded(atPath, [&](std::string_view text) {
        return appendDefaultsBlock(text, defaults, original, keyIdToPath);
    });
}

} // namespace moorkeep::ConfigWriter
