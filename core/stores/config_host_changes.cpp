#include "stores/config_host_changes.h"

#include "editing/config_blocks.h"
#include "editing/config_body.h"
#include "editing/config_writer.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/file_stamp.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "model/uuid.h"
#include "openssh/block_reach.h"
#include "openssh/effect_check.h"
#include "openssh/openssh_check.h"
#include "openssh/ssh_arguments.h"
#include "openssh/ssh_command.h"
#include "reading/config_parser.h"
#include "reading/config_syntax.h"
#include "reading/config_text.h"

#include <algorithm>
#include <stdexcept>
#include <unistd.h>

namespace moorkeep {
namespace {

using ConfigWriter::AtPath;

// The file of the first Host line with exactly this pattern, in reading
// order: a block is edited in the file where it lives.
std::optional<std::string> fileOfBlock(const std::vector<ConfigLineSource>& lines,
                                       const std::string& pattern) {
    for (const auto& line : lines)
        if (equalsIgnoringCase(line.directive, "host") &&
            config::headerPatterns(line.value) == pattern)
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

// Whether the two paths name one file: the same spelling, or links that lead
// to it.
bool sameFile(const std::string& one, const std::string& other) {
    if (one == other)
        return true;
    const files::FileStamp a = files::stampOf(one);
    const files::FileStamp b = files::stampOf(other);
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// Why an edit found no block to change: it is written in a form the edit
// cannot take, or another program took it out of the file meanwhile.
FileError notChanged(const std::string& alias, const std::string& file, const std::string& shown) {
    const auto text = files::readUtf8(file);
    if (text && !ConfigWriter::hasHostBlock(*text, alias))
        return FileError("The block of \"" + alias + "\" is no longer in " + shown +
                         ": another program changed the file meanwhile. Nothing was changed.");
    return notEditable(alias, shown);
}

// A new alias must name one host; one already in the file may stay as it is.
void checkNewAlias(const std::string& alias) {
    if (!InputRules::isValidAlias(alias))
        throw std::invalid_argument(std::string(InputRules::aliasRuleMessage));
}

// Whether the bytes hold a Host line with exactly this pattern; the bytes
// need not be UTF-8.
bool holdsHostLine(std::string_view bytes, const std::string& pattern) {
    const config::ConfigText text(bytes);
    for (std::size_t i = 0; i < text.lineCount(); ++i) {
        const auto header = config::readHeader(text.line(i));
        if (header && header->keyword == config::HeaderKeyword::host && header->pattern == pattern)
            return true;
    }
    return false;
}

// A host name that names the old alias ("%h") would follow the rename; the
// host keeps connecting where it did.
void keepDerivedHostName(SSHHost& renamed, const SSHHost& original) {
    if (renamed.hostname != original.hostname)
        return;
    const std::string oldName = SSHCommand::destinationPattern(original.alias);
    std::string hostname;
    for (std::size_t i = 0; i < renamed.hostname.size(); ++i) {
        if (renamed.hostname[i] == '%' && i + 1 < renamed.hostname.size() &&
            (renamed.hostname[i + 1] == 'h' || renamed.hostname[i + 1] == '%')) {
            hostname += renamed.hostname[++i] == 'h' ? oldName : "%%";
        } else {
            hostname += renamed.hostname[i];
        }
    }
    renamed.hostname = hostname;
}

// The files reading the block's file meets, when the reading of the block
// found them: the main file's are every file it met.
std::optional<std::vector<std::string>> filesReadWith(const HostReader::ConfigBlock& block,
                                                      const std::string& file,
                                                      const StorePlaces& places) {
    if (paths::standardize(file, places.homedir) !=
        paths::standardize(places.configPath, places.homedir))
        return std::nullopt;
    return block.filesRead;
}

} // namespace

ConfigHostChanges::ConfigHostChanges(const StorePlaces& places, const HostReader& reader,
                                     const ConfigGuard& guard)
    : places_(places)
    , reader_(reader)
    , guard_(guard) {}

void ConfigHostChanges::refuseSkippedBlock(const ConfigReadProblems& problems,
                                           const std::string& pattern) const {
    using Kind = ConfigReadProblem::Kind;
    const std::string block = "the \"Host " + pattern + "\" block";
    for (const auto& problem : problems) {
        if (problem.kind == Kind::tooLarge)
            throw FileError(places_.displayPath(problem.path) +
                            " is larger than 16 MiB, so it cannot be " + "checked for " + block +
                            ". Nothing was changed.");
        if (problem.kind != Kind::notUtf8)
            continue;
        auto bytes = files::readBytes(problem.path);
        if (!bytes || holdsHostLine(*bytes, pattern))
            throw FileError(places_.displayPath(problem.path) + " holds " + block +
                            " but is not UTF-8 text, so it cannot be edited here. Nothing was "
                            "changed.");
    }
}

Defaults ConfigHostChanges::withPortOtherwise(Defaults defaults, const std::string& name,
                                              const std::optional<SSHHost>& original,
                                              const config::OpenSSHEvaluator& read) const {
    defaults.port = 22;
    // Leaving the block's Port lines out reads as the block written without them.
    std::vector<std::uint32_t> portLines;
    if (original)
        portLines = config::blockOptionLines(read.document(), original->facts.block, "port");
    for (const auto& value : read.evaluate(name, places_.localUser, false, portLines).effective)
        if (value.keyword == "port")
            defaults.port = InputRules::portFromText(value.value);
    return defaults;
}

ConfigGuard::EffectJudge ConfigHostChanges::effectJudge(const std::string& name,
                                                        const std::optional<SSHHost>& before,
                                                        const SSHHost& asked,
                                                        const Defaults& defaults,
                                                        const KeyIdToPath& keyIdToPath) const {
    return effectJudge({name, config::changedHostGroups(before, asked, defaults, keyIdToPath),
                        asked, keyIdToPath, places_.invert(keyIdToPath), places_.homedir,
                        places_.localUser, "the block of " + asked.alias},
                       asked.alias, ConfigParser::AliasFilter{asked.alias});
}

ConfigGuard::EffectJudge
ConfigHostChanges::effectJudge(EffectCheck::Request request, const std::string& pattern,
                               std::optional<ConfigParser::AliasFilter> onlyAliases) const {
    return [this, request, pattern, onlyAliases](const std::string& file, const std::string& next) {
        const config::OpenSSHEvaluator after =
            reader_.evaluatorWith({{file, next}}, onlyAliases ? &*onlyAliases : nullptr);
        const auto showPath = [this](const std::string& path) { return places_.displayPath(path); };
        BlockReach::requireRead(after, request.name, pattern, request.localUser, request.block,
                                showPath);
        EffectCheck::requireEffect(after, request, showPath);
    };
}

SSHHost ConfigHostChanges::saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    // The record of a stored host is dropped after the block is written.
    places_.metaStore.checkWritable();
    SSHHost saved = host;
    if (saved.id.empty())
        saved.id = randomUuid();

    const ConfigBlock block = reader_.readConfigBlock(host.alias, places_.invert(keyIdToPath));
    const auto destination = SSHCommand::destinationPattern(host.alias);
    const auto original = hostOf(block.config, host.alias);
    const std::string file = block.file.value_or(places_.configPath);
    const Defaults defaults =
        withPortOtherwise(block.config.defaults, destination, original, *block.evaluator);
    if (original) {
        if (!ConfigWriter::updateHostBlock(
                guard_.guarded(file, destination,
                               effectJudge(destination, original, saved, defaults, keyIdToPath),
                               filesReadWith(block, file, places_)),
                saved, *original, host.alias, defaults, keyIdToPath))
            throw notChanged(host.alias, file, places_.displayPath(file));
    } else {
        checkNewAlias(host.alias);
        // OpenSSH would keep using a block in a file that could not be read
        // here, and ignore a second one appended after it.
        refuseSkippedBlock(block.problems, host.alias);
        const config::OpenSSHEvaluator& now = *block.evaluator;
        if (auto naming = EffectCheck::namingLine(now.document(), destination))
            throw FileError("A host with this alias already exists: " +
                            places_.displayPath(naming->place.file) + " line " +
                            std::to_string(naming->place.line) + " (" + naming->text + ") names " +
                            destination + ". Nothing was changed.");
        // A new block goes before the first block that applies to it, so
        // that OpenSSH reads its values first.
        const auto before =
            EffectCheck::insertionLine(now, paths::standardize(places_.configPath, places_.homedir),
                                       destination, places_.localUser);
        ConfigWriter::insertHostBlock(
            guard_.guarded(places_.configPath, destination,
                           effectJudge(destination, std::nullopt, saved, defaults, keyIdToPath),
                           block.filesRead),
            saved, defaults, keyIdToPath, before.value_or(static_cast<std::size_t>(-1)));
    }

    UserMeta meta = places_.metaStore.load();
    std::erase_if(meta.hosts,
                  [&](const SSHHost& h) { return h.id == saved.id || h.alias == saved.alias; });
    places_.metaStore.save(meta);

    saved.source = HostSource::config;
    return saved;
}

SSHHost ConfigHostChanges::saveConfigHost(const SSHHost& host,
                                          const std::optional<std::string>& originalAlias,
                                          const KeyIdToPath& keyIdToPath,
                                          std::optional<std::size_t> moveAbove) {
    const std::string alias = originalAlias.value_or(host.alias);
    ConfigBlock block = reader_.readConfigBlock(alias, places_.invert(keyIdToPath));
    const auto original = hostOf(block.config, alias);
    if (!original || !block.file)
        throw notFound(alias,
                       places_.displayPath(places_.configPath) + " or the files it includes");
    SSHHost asked = host;
    if (host.alias != alias) {
        checkNewAlias(host.alias);
        keepDerivedHostName(asked, *original);
    }
    const auto destination = SSHCommand::destinationPattern(asked.alias);
    const Defaults defaults =
        withPortOtherwise(block.config.defaults, destination, original, *block.evaluator);
    // The judge reads the files again, with the change: the memory of this
    // reading is free for it.
    block.evaluator.reset();
    const auto atPath = guard_.guarded(
        *block.file, destination, effectJudge(destination, original, asked, defaults, keyIdToPath),
        filesReadWith(block, *block.file, places_));
    if (moveAbove) {
        if (*moveAbove == 0 ||
            !ConfigWriter::moveAndUpdateHostBlock(atPath, asked, *original, alias, defaults,
                                                  keyIdToPath, *moveAbove - 1))
            throw FileError("Line " + std::to_string(*moveAbove) + " of " +
                            places_.displayPath(*block.file) +
                            " is not a Host or Match line above the block of \"" + alias +
                            "\". Nothing was changed.");
    } else if (!ConfigWriter::updateHostBlock(atPath, asked, *original, alias, defaults,
                                              keyIdToPath)) {
        throw notChanged(alias, *block.file, places_.displayPath(*block.file));
    }
    return host;
}

void ConfigHostChanges::deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) {
    UserMeta meta = places_.metaStore.load();
    auto stored = std::find_if(meta.hosts.begin(), meta.hosts.end(),
                               [&](const SSHHost& h) { return h.id == id; });
    std::optional<std::string> alias;
    if (stored != meta.hosts.end())
        alias = stored->alias;

    // Find the block before anything is written, so that a block that cannot
    // be removed leaves the stored host list as it was.
    std::optional<std::string> blockFile;
    if (alias) {
        auto lines = reader_.readConfigLines();
        ParsedConfig config =
            ConfigParser::parse(lines, places_.invert(keyIdToPath), places_.homedir);
        if (hostOf(config, *alias)) {
            blockFile = fileOfBlock(lines, *alias).value_or(places_.configPath);
            auto text = files::readUtf8(*blockFile);
            if (!text || !ConfigWriter::hasHostBlock(*text, *alias))
                throw notEditable(*alias, places_.displayPath(*blockFile));
        }
    }

    std::erase_if(meta.hosts, [&](const SSHHost& h) { return h.id == id; });
    if (!blockFile) {
        places_.metaStore.save(meta);
        return;
    }
    // The block goes first, checked by OpenSSH, and the record after it: a
    // metadata file that cannot be written is found before, and one that
    // fails all the same gets the block back.
    places_.metaStore.checkWritable();
    const files::ReadResult before = files::readFile(*blockFile);
    if (!ConfigWriter::deleteHostBlock(guard_.guarded(*blockFile, OpenSSHCheck::anyHost), *alias))
        throw notChanged(*alias, *blockFile, places_.displayPath(*blockFile));
    try {
        places_.metaStore.save(meta);
    } catch (...) {
        try {
            files::writeAtomically(*blockFile, before.bytes);
        } catch (const std::exception&) {
            // The failed save is what the user hears of.
        }
        throw;
    }
}

void ConfigHostChanges::deleteConfigHost(const SSHHost& host) {
    auto lines = reader_.readConfigLines();
    auto file = fileOfBlock(lines, host.alias);
    if (!file || !hostOf(ConfigParser::parse(lines, {}, places_.homedir), host.alias))
        throw notFound(host.alias,
                       places_.displayPath(places_.configPath) + " or the files it includes");
    if (!ConfigWriter::deleteHostBlock(guard_.guarded(*file, OpenSSHCheck::anyHost), host.alias))
        throw notChanged(host.alias, *file, places_.displayPath(*file));
}

Defaults ConfigHostChanges::saveConfigDefaults(const Defaults& defaults,
                                               const KeyIdToPath& keyIdToPath) {
    const KeyPathToId keyPathToId = places_.invert(keyIdToPath);
    ConfigReadProblems problems;
    auto lines = reader_.readConfigLines(problems);
    const Defaults original = ConfigParser::parse(lines, keyPathToId, places_.homedir).defaults;
    // Without a Host * block the changed defaults go into a new one at the
    // end of the main file, where OpenSSH reads defaults, rather than being
    // dropped.
    // The defaults take effect for a name that only wildcard blocks reach.
    SSHHost asked;
    asked.alias = "*";
    asked.hostname = OpenSSHCheck::anyHost;
    asked.user = defaults.user;
    asked.port = defaults.port;
    asked.keyId = defaults.keyId.empty() ? std::nullopt : std::optional(defaults.keyId);
    asked.proxyJump = defaults.proxyJump;
    asked.extraOptions = defaults.extraOptions;
    for (const auto& [keyword, value] : defaults.extraOptions)
        if (equalsIgnoringCase(keyword, "hostname"))
            asked.hostname = value;
    auto judge = [&] {
        return effectJudge({OpenSSHCheck::anyHost,
                            config::changedDefaultsGroups(original, defaults, keyIdToPath), asked,
                            keyIdToPath, keyPathToId, places_.homedir, places_.localUser,
                            "the Host * block"},
                           "*", std::nullopt);
    };
    if (auto file = fileOfBlock(lines, "*")) {
        if (!ConfigWriter::updateDefaultsBlock(
                guard_.guarded(*file, OpenSSHCheck::anyHost, judge()), defaults, original,
                keyIdToPath))
            throw notChanged("*", *file, places_.displayPath(*file));
    } else if (!config::changedDefaultsGroups(original, defaults, keyIdToPath).empty()) {
        refuseSkippedBlock(problems, "*");
        ConfigWriter::appendDefaultsBlock(
            guard_.guarded(places_.configPath, OpenSSHCheck::anyHost, judge()), defaults, original,
            keyIdToPath);
    }
    return reader_.readConfig(keyPathToId).defaults;
}

void ConfigHostChanges::moveHostBlock(const std::string& alias, const std::string& file,
                                      std::size_t line) {
    const auto blockFile = fileOfBlock(reader_.readConfigLines(), alias);
    if (!blockFile)
        throw notFound(alias,
                       places_.displayPath(places_.configPath) + " or the files it includes");
    const std::string target = paths::standardize(places_.expandHome(file), places_.homedir);
    if (!sameFile(target, paths::standardize(*blockFile, places_.homedir)))
        throw FileError("The block of \"" + alias + "\" is in " + places_.displayPath(*blockFile) +
                        "; it can only move within that file. Nothing was changed.");
    if (line == 0 ||
        !ConfigWriter::moveHostBlock(
            guard_.guarded(*blockFile, SSHCommand::destinationPattern(alias)), alias, line - 1))
        throw FileError("Line " + std::to_string(line) + " of " + places_.displayPath(*blockFile) +
                        " is not a Host or Match line above the block of \"" + alias +
                        "\". Nothing was changed.");
}

} // namespace moorkeep
