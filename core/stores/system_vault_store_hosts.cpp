#include "config/config_parser.h"
#include "config/config_syntax.h"
#include "config/config_text.h"
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

// Whether the bytes hold a Host line with exactly this pattern; the bytes
// need not be UTF-8.
bool holdsHostLine(std::string_view bytes, const std::string& pattern) {
    const config::ConfigText text(bytes);
    for (std::size_t i = 0; i < text.lineCount(); ++i) {
        std::string keyword, value;
        if (ConfigParser::splitDirective(config::trimBlanks(text.line(i)), keyword, value) &&
            config::equalsIgnoringCase(keyword, "host") && value == pattern)
            return true;
    }
    return false;
}

} // namespace

void SystemVaultStore::refuseSkippedBlock(const ConfigReadProblems& problems,
                                          const std::string& pattern) const {
    using Kind = ConfigReadProblem::Kind;
    const std::string block = "the \"Host " + pattern + "\" block";
    for (const auto& problem : problems) {
        if (problem.kind == Kind::tooLarge)
            throw FileError(displayPath(problem.path) + " is larger than 16 MiB, so it cannot be " +
                            "checked for " + block + ". Nothing was changed.");
        if (problem.kind != Kind::notUtf8)
            continue;
        auto bytes = files::readBytes(problem.path);
        if (!bytes || holdsHostLine(*bytes, pattern))
            throw FileError(displayPath(problem.path) + " holds " + block +
                            " but is not UTF-8 text, so it cannot be edited here. Nothing was "
                            "changed.");
    }
}

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

    ConfigReadProblems problems;
    auto lines = readConfigLines(problems);
    ParsedConfig config = ConfigParser::parse(lines, invert(keyIdToPath), homedir_);
    bool inConfig = std::any_of(config.hosts.begin(), config.hosts.end(),
                                [&](const SSHHost& h) { return h.alias == host.alias; });
    if (inConfig) {
        std::string file = fileOfBlock(lines, host.alias).value_or(configPath_);
        if (!ConfigWriter::updateHostBlock(AtPath{file}, saved, host.alias, config.defaults,
                                           keyIdToPath))
            throw notEditable(host.alias, displayPath(file));
    } else {
        // OpenSSH would keep using a block in a file that could not be read
        // here, and ignore a second one appended after it.
        refuseSkippedBlock(problems, host.alias);
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
    auto lines = readConfigLines();
    auto file = fileOfBlock(lines, alias);
    if (!file)
        throw notFound(alias, displayPath(configPath_) + " or the files it includes");
    Defaults defaults = ConfigParser::parse(lines, invert(keyIdToPath), homedir_).defaults;
    if (!ConfigWriter::updateHostBlock(AtPath{*file}, host, alias, defaults, keyIdToPath))
        throw notEditable(alias, displayPath(*file));
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
    ConfigReadProblems problems;
    if (auto file = fileOfBlock(readConfigLines(problems), "*")) {
        if (!ConfigWriter::updateDefaultsBlock(AtPath{*file}, defaults, keyIdToPath))
            throw notEditable("*", displayPath(*file));
    } else {
        refuseSkippedBlock(problems, "*");
        ConfigWriter::appendDefaultsBlock(AtPath{configPath_}, defaults, keyIdToPath);
    }
    return readConfig(keyPathToId).defaults;
}

} // namespace moorkeep
