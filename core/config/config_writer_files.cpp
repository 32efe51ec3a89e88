#include "config/config_edits.h"
#include "config/config_writer.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "files/text_file.h"

namespace moorkeep::ConfigWriter {

namespace {

// The file's text; a missing file is empty. A file that cannot be read, or
// is not UTF-8 text, must not be replaced with an edit of nothing.
std::string readConfig(const std::string& path) {
    files::ReadResult read = files::readFile(path);
    switch (read.status) {
    case files::ReadStatus::missing:
        return {};
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

// Writes the edit when there is one; the file keeps its permissions.
bool writeEdit(const std::string& path, const std::optional<std::string>& edited) {
    if (!edited)
        return false;
    files::writeAtomically(path, *edited);
    return true;
}

// A new block goes at the end of the file, which is then owner-only.
void writeAppended(const std::string& path, const std::string& text) {
    files::writeAtomically(path, text);
    files::setPermissions(files::resolveLinks(path), 0600);
}

void createParent(const std::string& path) {
    files::createDirectories(paths::parent(path), 0700);
}

} // namespace

void appendHostBlock(const AtPath& atPath, const SSHHost& host, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    checkWritable(host, keyIdToPath);
    createParent(atPath.path);
    writeAppended(atPath.path,
                  appendHostBlock(readConfig(atPath.path), host, defaults, keyIdToPath));
}

bool updateHostBlock(const AtPath& atPath, const SSHHost& host,
                     const std::optional<std::string>& originalAlias, const Defaults& defaults,
                     const KeyIdToPath& keyIdToPath) {
    checkWritable(host, keyIdToPath);
    return writeEdit(atPath.path, config::editHostBlock(readConfig(atPath.path), host,
                                                        originalAlias, defaults, keyIdToPath));
}

bool deleteHostBlock(const AtPath& atPath, const std::string& alias) {
    return writeEdit(atPath.path, config::removeHostBlock(readConfig(atPath.path), alias));
}

bool updateDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath) {
    checkWritable(defaults, keyIdToPath);
    return writeEdit(atPath.path,
                     config::editDefaultsBlock(readConfig(atPath.path), defaults, keyIdToPath));
}

void appendDefaultsBlock(const AtPath& atPath, const Defaults& defaults,
                         const KeyIdToPath& keyIdToPath) {
    checkWritable(defaults, keyIdToPath);
    createParent(atPath.path);
    writeAppended(atPath.path, appendDefaultsBlock(readConfig(atPath.path), defaults, keyIdToPath));
}

} // namespace moorkeep::ConfigWriter
