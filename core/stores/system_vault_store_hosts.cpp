#include "config/config_parser.h"
#include "config/config_syntax.h"
#include "config/config_writer.h"
#include "files/file_error.h"
#include "files/text_file.h"
#include "model/uuid.h"
#include "stores/store_lock.h"
#include "stores/system_vault_store.h"

#include <algorithm>

namespace moorkeep {
namespace {

using ConfigWriter::AtPath;

// The file of the first Host line with exactly this pattern, in reading
// order: a block is edited in the file where it lives.
std::optional<std::string> fileOfBlock(const std::vector<ConfigLineSource>& lines,
                                       const std::string& pattern) {
    for (const auto& line : lines)
        if (config::equalsIgnoringCase(line.directive, "host") && line.value == pattern)
            return line.sourceFile;
    return std::nullopt;
}

FileError notFound(const std::string& alias, const std::string& where) {
    return FileError("The host \"" + alias + "\" was not found in " + where +
                     ". Nothing was changed.");
}

FileError notEditable(const std::string& alias, const std::string& file) {
    return FileError("The Host line of \"" + alias + "\" in " + file +
                     " is written in a form that cannot be edited here (for example with \"=\" "
                     "after Host). Nothing was changed.");
}

} // namespace

std::string SystemVaultStore::displayPath(const std::string& path) const {
    if (path.compare(0, homedir_.size(), homedir_) == 0 && path.size() > homedir_.size() &&
        path[homedir_.size()] == '/')
        return "~" + path.substr(homedir_.size());
    return path;
}

SSHHost SystemVaultStore::saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    SSHHost saved = host;
    if (saved.id.empty())
        saved.id = randomUuid();

    auto lines = readConfigLines();
    ParsedConfig config = ConfigParser::parse(lines, invert(keyIdToPath), homedir_);
    bool inConfig = std::any_of(config.hosts.begin(), config.hosts.end(),
                                [&](const SSHHost& h) { return h.alias == host.alias; });
    if (inConfig) {
        std::string file = fileOfBlock(lines, host.alias).value_or(configPath_);
        if (!ConfigWriter::updateHostBlock(AtPath{file}, saved, host.alias, config.defaults,
                                           keyIdToPath))
            throw notEditable(host.alias, displayPath(file));
    } else {
        ConfigWriter::appendHostBlock(AtPath{configPath_}, saved, config.defaults, keyIdToPath);
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
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    const std::string alias = originalAlias.value_or(host.alias);
    const ConfigBlock block = readConfigBlock(alias, invert(keyIdToPath));
    if (!block.file)
        throw notFound(alias, displayPath(configPath_) + " or the files it includes");
    if (!ConfigWriter::updateHostBlock(AtPath{*block.file}, host, alias, block.config.defaults,
                                       keyIdToPath))
        throw notEditable(alias, displayPath(*block.file));
    return host;
}

void SystemVaultStore::deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) {
    StoreLock lock(lockPath(), StoreLock::Mode::change);
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
        bool inConfig = std::any_of(config.hosts.begin(), config.hosts.end(),
                                    [&](const SSHHost& h) { return h.alias == *alias; });
        if (inConfig) {
            blockFile = fileOfBlock(lines, *alias).value_or(configPath_);
            auto text = files::readUtf8(*blockFile);
            if (!text || !ConfigWriter::hasHostBlock(*text, *alias))
                throw notEditable(*alias, displayPath(*blockFile));
        }
    }

    std::erase_if(meta.hosts, [&](const SSHHost& h) { return h.id == id; });
    metaStore_.save(meta);
    if (blockFile && !ConfigWriter::deleteHostBlock(AtPath{*blockFile}, *alias))
        throw notEditable(*alias, displayPath(*blockFile));
}

void SystemVaultStore::deleteConfigHost(const SSHHost& host) {
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    auto file = fileOfBlock(readConfigLines(), host.alias);
    if (!file)
        throw notFound(host.alias, displayPath(configPath_) + " or the files it includes");
    if (!ConfigWriter::deleteHostBlock(AtPath{*file}, host.alias))
        throw notEditable(host.alias, displayPath(*file));
}

Defaults SystemVaultStore::saveConfigDefaults(const Defaults& defaults,
                                              const KeyIdToPath& keyIdToPath) {
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    const KeyPathToId keyPathToId = invert(keyIdToPath);
    // Without a Host * block the defaults go into a new one at the end of the
    // main file, where OpenSSH reads defaults, rather than being dropped.
    if (auto file = fileOfBlock(readConfigLines(), "*")) {
        if (!ConfigWriter::updateDefaultsBlock(AtPath{*file}, defaults, keyIdToPath))
            throw notEditable("*", displayPath(*file));
    } else {
        ConfigWriter::appendDefaultsBlock(AtPath{configPath_}, defaults, keyIdToPath);
    }
    return readConfig(keyPathToId).defaults;
}

} // namespace moorkeep
