#include "config/config_body.h"
#include "config/config_parser.h"
#include "config/config_syntax.h"
#include "config/config_writer.h"
#include "config/ssh_command.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "model/input_rules.h"
#include "model/uuid.h"
#include "stores/system_vault_store.h"

#include <algorithm>
#include <stdexcept>

namespace moorkeep {
namespace {

using ConfigWriter::AtPath;

// The name ssh -G evaluates a check for when no one host is concerned.
constexpr const char* anyHost = "moorkeep-check.invalid";

// The file of the first Host line with exactly this pattern, in reading
// order: a block is edited in the file where it lives.
std::optional<std::string> fileOfBlock(const std::vector<ConfigLineSource>& lines,
                                       const std::string& pattern) {
    for (const auto& line : lines)
        if (config::equalsIgnoringCase(line.directive, "host") && line.value == pattern)
            return line.sourceFile;
    return std::nullopt;
}

// The record of the first block of this alias, as the files give it now.
std::optional<SSHHost> hostOf(const ParsedConfig& config, const std::string& alias) {
    for (const auto& host : config.hosts)
        if (host.alias == alias)
            return host;
    return std::nullopt;
}

FileError notFound(const std::string& alias, const std::string& where) {
    return FileError("The host \"" + alias + "\" was not found in " + where +
                     ". Nothing was changed.");
}

FileError notEditable(const std::string& alias, const std::string& file) {
    return FileError("The Host line of \"" + alias + "\" in " + file +
                     " is written in a form that cannot be edited here. Nothing was changed.");
}

// A new alias must name one host; one already in the file may stay as it is.
void checkNewAlias(const std::string& alias) {
    if (!InputRules::isValidAlias(alias))
        throw std::invalid_argument(std::string(InputRules::aliasRuleMessage));
}

} // namespace

std::string SystemVaultStore::displayPath(const std::string& path) const {
    if (path.compare(0, homedir_.size(), homedir_) == 0 && path.size() > homedir_.size() &&
        path[homedir_.size()] == '/')
        return "~" + path.substr(homedir_.size());
    return path;
}

AtPath SystemVaultStore::guarded(const std::string& file, const std::string& destination) const {
    const bool included =
        paths::standardize(file, homedir_) != paths::standardize(configPath_, homedir_);
    OpenSSHCheck::Request request{sshPath_, displayPath(file), included, destination};
    return {file,
            [this, request](const std::string& path, const std::optional<std::string>& current,
                            const std::string& next) {
                if (current && *current == next)
                    return;
                OpenSSHCheck::checkReplacement(request, current, next);
                if (current)
                    backups().save(path, *current);
            }};
}

SSHHost SystemVaultStore::saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    SSHHost saved = host;
    if (saved.id.empty())
        saved.id = randomUuid();

    const ConfigBlock block = readConfigBlock(host.alias, invert(keyIdToPath));
    const auto destination = SSHCommand::destinationPattern(host.alias);
    if (auto original = hostOf(block.config, host.alias)) {
        std::string file = block.file.value_or(configPath_);
        if (!ConfigWriter::updateHostBlock(guarded(file, destination), saved, *original, host.alias,
                                           block.config.defaults, keyIdToPath))
            throw notEditable(host.alias, displayPath(file));
    } else {
        checkNewAlias(host.alias);
        ConfigWriter::appendHostBlock(guarded(configPath_, destination), saved,
                                      block.config.defaults, keyIdToPath);
    }

    UserMeta meta = metaStore_.load();
    std::erase_if(meta.hosts,
                  [&](const SSHHost& h) { return h.id == saved.id || h.alias == saved.alias; });
    metaStore_.save(meta);

    saved.source = HostSource::config;
    return saved;
}

SSHHost SystemVaultStore::saveConfigHost(const SSHHost& host,
                                         const std::optional<std::string>& originalAlias,
                                         const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    const std::string alias = originalAlias.value_or(host.alias);
    const ConfigBlock block = readConfigBlock(alias, invert(keyIdToPath));
    const auto original = hostOf(block.config, alias);
    if (!original || !block.file)
        throw notFound(alias, displayPath(configPath_) + " or the files it includes");
    if (host.alias != alias)
        checkNewAlias(host.alias);
    if (!ConfigWriter::updateHostBlock(
            guarded(*block.file, SSHCommand::destinationPattern(host.alias)), host, *original,
            alias, block.config.defaults, keyIdToPath))
        throw notEditable(alias, displayPath(*block.file));
    return host;
}

void SystemVaultStore::deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    UserMeta meta = metaStore_.load();
    auto stored = std::find_if(meta.hosts.begin(), meta.hosts.end(),
                               [&](const SSHHost& h) { return h.id == id; });
    std::optional<std::string> alias;
    if (stored != meta.hosts.end())
        alias = stored->alias;

    // Find the block before anything is written, so that a block that cannot
    // be removed leaves the stored host list as it was.
    std::optional<std::string> blockFile;
    if (alias) {
        auto lines = readConfigLines();
        ParsedConfig config = ConfigParser::parse(lines, invert(keyIdToPath), homedir_);
        if (hostOf(config, *alias)) {
            blockFile = fileOfBlock(lines, *alias).value_or(configPath_);
            auto text = files::readUtf8(*blockFile);
            if (!text || !ConfigWriter::hasHostBlock(*text, *alias))
                throw notEditable(*alias, displayPath(*blockFile));
        }
    }

    std::erase_if(meta.hosts, [&](const SSHHost& h) { return h.id == id; });
    metaStore_.save(meta);
    if (blockFile && !ConfigWriter::deleteHostBlock(guarded(*blockFile, anyHost), *alias))
        throw notEditable(*alias, displayPath(*blockFile));
}

void SystemVaultStore::deleteConfigHost(const SSHHost& host) {
    ChangeLocks locks(*this);
    auto lines = readConfigLines();
    auto file = fileOfBlock(lines, host.alias);
    if (!file || !hostOf(ConfigParser::parse(lines, {}, homedir_), host.alias))
        throw notFound(host.alias, displayPath(configPath_) + " or the files it includes");
    if (!ConfigWriter::deleteHostBlock(guarded(*file, anyHost), host.alias))
        throw notEditable(host.alias, displayPath(*file));
}

Defaults SystemVaultStore::saveConfigDefaults(const Defaults& defaults,
                                              const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    const KeyPathToId keyPathToId = invert(keyIdToPath);
    auto lines = readConfigLines();
    const Defaults original = ConfigParser::parse(lines, keyPathToId, homedir_).defaults;
    // Without a Host * block the changed defaults go into a new one at the
    // end of the main file, where OpenSSH reads defaults, rather than being
    // dropped.
    if (auto file = fileOfBlock(lines, "*")) {
        if (!ConfigWriter::updateDefaultsBlock(guarded(*file, anyHost), defaults, original,
                                               keyIdToPath))
            throw notEditable("*", displayPath(*file));
    } else if (!config::changedDefaultsGroups(original, defaults, keyIdToPath).empty()) {
        ConfigWriter::appendDefaultsBlock(guarded(configPath_, anyHost), defaults, original,
                                          keyIdToPath);
    }
    return readConfig(keyPathToId).defaults;
}

void SystemVaultStore::restoreBackup(const std::string& id) {
    ChangeLocks locks(*this);
    const ConfigBackups store = backups();
    const auto backup = store.find(id);
    if (!backup)
        throw FileError("There is no backup \"" + id + "\" in " + store.folder() + ".");
    const std::string bytes = store.read(*backup);
    files::ReadResult current = files::readFile(backup->file);
    if (current.status == files::ReadStatus::unreadable)
        throw FileError("read", backup->file, current.errorNumber);
    if (current.status == files::ReadStatus::ok)
        store.save(backup->file, current.bytes);
    files::createDirectories(paths::parent(backup->file), 0700);
    files::writeAtomically(backup->file, bytes, 0600);
}

} // namespace moorkeep
