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

void complete(SSHHost& host, const Defaults& defaults) {
    if (host.hostname.empty())
        host.hostname = host.alias;
    if (host.user.empty())
        host.user = defaults.user;
    if (host.port == 22)
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

} // namespace

ParsedConfig parse(const std::vector<ConfigLineSource>& lines, const KeyPathToId& keyPathToId,
                   const std::string& homedir) {
    std::vector<SSHHost> finished;
    Defaults defaults;
    std::variant<NoBlock, DefaultsBlock, SSHHost> current = NoBlock{};

    auto finishHost = [&] {
        if (auto* host = std::get_if<SSHHost>(&current))
            finished.push_back(std::move(*host));
    };

    for (const auto& line : lines) {
        if (equalsIgnoringCase(line.directive, "host")) {
            finishHost();
            if (line.value.find_first_of("*?") != std::string::npos) {
                current = DefaultsBlock{};
                if (!defaults.sourceFile)
                    defaults.sourceFile = line.sourceFile;
            } else {
                SSHHost host;
                host.id = hostId(line.value);
                host.alias = line.value;
                host.source = HostSource::config;
                current = std::move(host);
            }
        } else if (equalsIgnoringCase(line.directive, "match")) {
            finishHost();
            current = NoBlock{};
        } else if (auto* host = std::get_if<SSHHost>(&current)) {
            applyToHost(*host, line, keyPathToId, homedir);
        } else if (std::holds_alternative<DefaultsBlock>(current)) {
            applyToDefaults(defaults, line, keyPathToId, homedir);
        }
    }
    finishHost();

    ParsedConfig result;
    result.defaults = defaults;
    for (auto& host : finished) {
        if (host.alias.empty())
            continue;
        complete(host, defaults);
        result.hosts.push_back(std::move(host));
    }
    return result;
}

} // namespace moorkeep::ConfigParser
