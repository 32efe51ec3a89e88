#include "files/background_work.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_parser.h"
#include "reading/config_syntax.h"
#include "reading/line_interpreter.h"

#include <algorithm>

namespace moorkeep::ConfigParser {

ParsedConfig parse(const std::vector<ConfigLineSource>& lines, const KeyPathToId& keyPathToId,
                   const std::string& homedir) {
    config::LineInterpreter interpreter(keyPathToId, homedir);
    for (const auto& line : lines)
        interpreter.add(line.directive, line.value, line.sourceFile, 0);
    return interpreter.finish();
}

} // namespace moorkeep::ConfigParser

namespace moorkeep::config {
namespace {

std::optional<std::string> keyIdFor(std::string_view value,
                                    const ConfigParser::KeyPathToId& keyPathToId,
                                    const std::string& homedir) {
    std::string path = !value.empty() && value.front() == '~'
                           ? homedir + std::string(value.substr(1))
                           : std::string(value);
    auto it = keyPathToId.find(path);
    if (it == keyPathToId.end())
        return std::nullopt;
    return it->second;
}

void applyToHost(SSHHost& host, std::string_view keyword, std::string_view value,
                 const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir) {
    if (equalsIgnoringCase(keyword, "hostname"))
        host.hostname = value;
    else if (equalsIgnoringCase(keyword, "user"))
        host.user = value;
    else if (equalsIgnoringCase(keyword, "port"))
        host.port = InputRules::portFromText(value);
    else if (equalsIgnoringCase(keyword, "identityfile"))
        host.keyId = keyIdFor(value, keyPathToId, homedir);
    else if (equalsIgnoringCase(keyword, "proxyjump"))
        host.proxyJump = value;
    else
        host.extraOptions.insert_or_assign(std::string(keyword), value);
}

void applyToDefaults(Defaults& defaults, std::string_view keyword, std::string_view value,
                     const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir) {
    if (equalsIgnoringCase(keyword, "user"))
        defaults.user = value;
    else if (equalsIgnoringCase(keyword, "port"))
        defaults.port = InputRules::portFromText(value);
    else if (equalsIgnoringCase(keyword, "identityfile"))
        defaults.keyId = keyIdFor(value, keyPathToId, homedir).value_or("");
    else if (equalsIgnoringCase(keyword, "proxyjump"))
        defaults.proxyJump = value;
    else
        defaults.extraOptions.insert_or_assign(std::string(keyword), value);
}

// A Port line of the host's own block wins over the defaults even when it
// says 22.
void complete(SSHHost& host, bool hasPort, const Defaults& defaults) {
    if (host.hostname.empty())
        host.hostname = host.alias;
    if (host.user.empty())
        host.user = defaults.user;
    if (!hasPort)
        host.port = defaults.port;
    if (!host.keyId || host.keyId->empty())
        host.keyId = defaults.keyId.empty() ? std::nullopt : std::optional(defaults.keyId);
    if (!host.proxyJump)
        host.proxyJump = defaults.proxyJump;
    // Insertion keeps an entry the host already has: on an equal key the
    // host's own value wins.
    host.extraOptions.insert(defaults.extraOptions.begin(), defaults.extraOptions.end());
}

enum class BlockKind { host, defaults, ignored };

// OpenSSH matches each pattern of a Host line on its own. A block that
// takes every name ("*" and no negated pattern) holds the defaults; any
// other wildcard applies to some hosts only, so such a block is left aside.
BlockKind blockKind(std::string_view patterns) {
    bool wildcard = false;
    bool everyName = false;
    bool negated = false;
    auto take = [&](std::string_view pattern) {
        if (pattern.empty())
            return;
        if (pattern.front() == '!')
            negated = true;
        else if (pattern == "*")
            everyName = true;
        wildcard = wildcard || pattern.find_first_of("*?") != std::string_view::npos;
    };
    // Patterns as headerPatterns gives them are quoted only where they need
    // it; plain ones stand between single spaces.
    if (patterns.find_first_of("\"\\") == std::string_view::npos) {
        for (std::size_t at = 0; at <= patterns.size();) {
            const std::size_t end = std::min(patterns.find(' ', at), patterns.size());
            take(patterns.substr(at, end - at));
            at = end + 1;
        }
    } else {
        for (const std::string& pattern :
             splitArguments(patterns).value_or(std::vector<std::string>{}))
            take(pattern);
    }
    if (everyName && !negated)
        return BlockKind::defaults;
    return wildcard || everyName ? BlockKind::ignored : BlockKind::host;
}

} // namespace

LineInterpreter::LineInterpreter(const ConfigParser::KeyPathToId& keyPathToId,
                                 const std::string& homedir,
                                 const ConfigParser::AliasFilter* onlyAliases)
    : keyPathToId_(keyPathToId)
    , homedir_(homedir)
    , onlyAliases_(onlyAliases) {}

void LineInterpreter::add(std::string_view directive, std::string_view value,
                          const std::string& sourceFile, std::size_t line) {
    const bool header = equalsIgnoringCase(directive, "host");
    if ((header || equalsIgnoringCase(directive, "match")) && sink_ && current_ == Block::host)
        handOverCurrent();
    if (header) {
        // A block is named by its patterns as OpenSSH takes them.
        const std::string patterns = headerPatterns(value);
        const BlockKind kind = blockKind(patterns);
        if (kind == BlockKind::defaults) {
            current_ = Block::defaults;
            if (!defaults_.sourceFile)
                defaults_.sourceFile = sourceFile;
        } else if (kind == BlockKind::ignored) {
            current_ = Block::none;
        } else if (onlyAliases_ && !onlyAliases_->contains(patterns)) {
            current_ = Block::skippedHost;
        } else {
            // Every page the list ever used costs a fault: growing in large
            // steps touches fewer of them than doubling, and capacity that is
            // never used is never touched.
            if (hosts_.size() == hosts_.capacity())
                hosts_.reserve(std::max<std::size_t>(256, hosts_.capacity() * 4));
            hasPort_.push_back(false);
            SSHHost& host = hosts_.emplace_back();
            host.alias = patterns; // the id follows in finish()
            host.source = HostSource::config;
            if (line > 0)
                host.facts.block = {sourceFile, line};
            current_ = Block::host;
        }
    } else if (equalsIgnoringCase(directive, "match")) {
        current_ = Block::none;
    } else if (current_ == Block::host) {
        applyToHost(hosts_.back(), directive, value, keyPathToId_, homedir_);
        if (equalsIgnoringCase(directive, "port"))
            hasPort_.back() = true;
    } else if (current_ == Block::defaults) {
        applyToDefaults(defaults_, directive, value, keyPathToId_, homedir_);
    }
}

bool LineInterpreter::namesOtherHost(std::span<const std::string> patterns,
                                     const ConfigParser::AliasFilter& aliases) {
    // A name with no wildcard, negation, blank, quote or backslash is its
    // own pattern text and names a host block.
    return patterns.size() == 1 && !patterns[0].empty() && patterns[0].front() != '#' &&
           patterns[0].find_first_of(" \t\"'\\*?!") == std::string::npos &&
           !aliases.contains(patterns[0]);
}

bool LineInterpreter::skipHost(std::span<const std::string> patterns) {
    if (!onlyAliases_ || !namesOtherHost(patterns, *onlyAliases_))
        return false;
    if (sink_ && current_ == Block::host)
        handOverCurrent();
    current_ = Block::skippedHost;
    return true;
}

void LineInterpreter::handOverCurrent() {
    SSHHost host = std::move(hosts_.back());
    const bool hasPort = hasPort_.back();
    hosts_.pop_back();
    hasPort_.pop_back();
    current_ = Block::none;
    if (host.alias.empty())
        return;
    host.id = ConfigParser::hostId(host.alias);
    complete(host, hasPort, handOverDefaults_);
    sink_(std::move(host));
}

ParsedConfig LineInterpreter::finish() {
    if (sink_ && current_ == Block::host)
        handOverCurrent();
    // Digesting the aliases costs more than the rest of reading the blocks,
    // so a large configuration's hosts get their ids on two threads.
    files::runInTwoHalves(hosts_.size(), 2000, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            hosts_[i].id = ConfigParser::hostId(hosts_[i].alias);
    });
    ParsedConfig result;
    for (std::size_t i = 0; i < hosts_.size(); ++i)
        complete(hosts_[i], hasPort_[i], defaults_);
    std::erase_if(hosts_, [](const SSHHost& host) { return host.alias.empty(); });
    result.hosts = std::move(hosts_);
    result.defaults = std::move(defaults_);
    current_ = Block::none;
    return result;
}

} // namespace moorkeep::config
