#include "config/config_parser.h"
#include "config/config_syntax.h"

#include <variant>

namespace moorkeep::ConfigParser {
namespace {

using config::equalsIgnoringCase;

std::int64_t portValue(std::string_view value) {
    return config::parseInteger(value).value_or(22);
}

std::optional<std::string> keyIdFor(const std::string& value, const KeyPathToId& keyPathToId,
                                    const std::string& homedir) {
    std::string path = !value.empty() && value.front() == '~' ? homedir + value.substr(1) : value;
    auto it = keyPathToId.find(path);
    if (it == keyPathToId.end())
        return std::nullopt;
    return it->second;
}

void applyToHost(SSHHost& host, const ConfigLineSource& line, const KeyPathToId& keyPathToId,
                 const std::string& homedir) {
    const std::string& keyword = line.directive;
    if (equalsIgnoringCase(keyword, "hostname"))
        host.hostname = line.value;
    else if (equalsIgnoringCase(keyword, "user"))
        host.user = line.value;
    else if (equalsIgnoringCase(keyword, "port"))
        host.port = portValue(line.value);
    else if (equalsIgnoringCase(keyword, "identityfile"))
        host.keyId = keyIdFor(line.value, keyPathToId, homedir);
    else if (equalsIgnoringCase(keyword, "proxyjump"))
        host.proxyJump = line.value;
    else
        host.extraOptions[keyword] = line.value;
}

void applyToDefaults(Defaults& defaults, const ConfigLineSource& line,
                     const KeyPathToId& keyPathToId, const std::string& homedir) {
    const std::string& keyword = line.directive;
    if (equalsIgnoringCase(keyword, "user"))
        defaults.user = line.value;
    else if (equalsIgnoringCase(keyword, "port"))
        defaults.port = portValue(line.value);
    else if (equalsIgnoringCase(keyword, "identityfile"))
        defaults.keyId = keyIdFor(line.value, keyPathToId, homedir).value_or("");
    else if (equalsIgnoringCase(keyword, "proxyjump"))
        defaults.proxyJump = line.value;
    else
        defaults.extraOptions[keyword] = line.value;
}

// A host block as it is being read: whether it set the port itself matters,
// because a Port line of its own wins over the defaults even when it says 22.
struct HostBlock {
    SSHHost host;
    bool hasPort = false;
};

void complete(HostBlock& block, const Defaults& defaults) {
    SSHHost& host = block.host;
    if (host.hostname.empty())
        host.hostname = host.alias;
    if (host.user.empty())
        host.user = defaults.user;
    if (!block.hasPort)
        host.port = defaults.port;
    if (!host.keyId || host.keyId->empty())
        host.keyId = defaults.keyId.empty() ? std::nullopt : std::optional(defaults.keyId);
    if (!host.proxyJump)
        host.proxyJump = defaults.proxyJump;
    OptionMap options = defaults.extraOptions;
    for (const auto& [key, value] : host.extraOptions)
        options[key] = value;
    host.extraOptions = std::move(options);
}

struct NoBlock {};
struct DefaultsBlock {};

enum class BlockKind { host, defaults, ignored };

// OpenSSH matches each pattern of a Host line on its own. Only the pattern
// "*" itself applies to every host; any other wildcard applies to some hosts
// only, which the model cannot say, so such a block is left aside.
BlockKind blockKind(std::string_view patterns) {
    bool wildcard = false;
    for (const std::string& pattern : config::words(patterns)) {
        if (pattern == "*")
            return BlockKind::defaults;
        wildcard = wildcard || pattern.find_first_of("*?") != std::string::npos;
    }
    return wildcard ? BlockKind::ignored : BlockKind::host;
}

} // namespace

ParsedConfig parse(const std::vector<ConfigLineSource>& lines, const KeyPathToId& keyPathToId,
                   const std::string& homedir) {
    std::vector<HostBlock> finished;
    Defaults defaults;
    std::variant<NoBlock, DefaultsBlock, HostBlock> current = NoBlock{};

    auto finishHost = [&] {
        if (auto* block = std::get_if<HostBlock>(&current))
            finished.push_back(std::move(*block));
    };

    for (const auto& line : lines) {
        if (equalsIgnoringCase(line.directive, "host")) {
            finishHost();
            switch (blockKind(line.value)) {
            case BlockKind::defaults:
                current = DefaultsBlock{};
                if (!defaults.sourceFile)
                    defaults.sourceFile = line.sourceFile;
                break;
            case BlockKind::ignored:
                current = NoBlock{};
                break;
            case BlockKind::host: {
                HostBlock block;
                block.host.id = hostId(line.value);
                block.host.alias = line.value;
                block.host.source = HostSource::config;
                current = std::move(block);
                break;
            }
            }
        } else if (equalsIgnoringCase(line.directive, "match")) {
            finishHost();
            current = NoBlock{};
        } else if (auto* block = std::get_if<HostBlock>(&current)) {
            applyToHost(block->host, line, keyPathToId, homedir);
            block->hasPort = block->hasPort || equalsIgnoringCase(line.directive, "port");
        } else if (std::holds_alternative<DefaultsBlock>(current)) {
            applyToDefaults(defaults, line, keyPathToId, homedir);
        }
    }
    finishHost();

    ParsedConfig result;
    result.defaults = defaults;
    for (auto& block : finished) {
        if (block.host.alias.empty())
            continue;
        complete(block, defaults);
        result.hosts.push_back(std::move(block.host));
    }
    return result;
}

} // namespace moorkeep::ConfigParser
