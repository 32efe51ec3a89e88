#include "field_options.h"

#include "cli_errors.h"
#include "lookup.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "model/port_rule.h"

#include <algorithm>
#include <cctype>

namespace moorkeep::cli {

namespace {

// Directives that are fields of their own (or start a block) and so can
// never be extra options; the defaults keep HostName among their options.
bool isFieldDirective(std::string_view name, FieldTarget target) {
    for (std::string_view directive :
         {"host", "match", "include", "user", "port", "identityfile", "proxyjump"})
        if (equalsIgnoringCase(name, directive))
            return true;
    return target == FieldTarget::host && equalsIgnoringCase(name, "hostname");
}

std::int64_t readPort(const std::string& text, const std::string& helpTopic) {
    const auto value = text.empty() ? std::nullopt : portFromField(text);
    if (!value)
        throw UsageError("--port takes a number from 1 to 65535, not \"" + text + "\"", helpTopic);
    return *value;
}

std::string readOptionName(const std::string& text, FieldTarget target,
                           const std::string& helpTopic) {
    std::string name = InputRules::trimWhitespace(text);
    if (name.empty())
        throw UsageError("an option needs a name", helpTopic);
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '='; }))
        throw UsageError("option name \"" + name + "\" is not one word", helpTopic);
    if (!InputRules::isValidOptionName(name))
        throw UsageError("option name \"" + name +
                             "\" is not a plain keyword (letters and digits, starting with a "
                             "letter)",
                         helpTopic);
    if (isFieldDirective(name, target))
        throw UsageError(name + " has an option of its own, not --option", helpTopic);
    return name;
}

void applyOptionChanges(OptionMap& options, const std::vector<OptionChange>& changes) {
    for (const auto& change : changes) {
        // Directive names are case-insensitive: a change replaces the entry
        // of any spelling rather than adding a second line for it.
        auto it = std::find_if(options.begin(), options.end(), [&](const auto& entry) {
            return equalsIgnoringCase(entry.first, change.name);
        });
        if (!change.value && it == options.end())
            throw RefusedInput("there is no option " + change.name + " to remove");
        if (it != options.end())
            options.erase(it);
        if (change.value)
            options[change.name] = *change.value;
    }
}

} // namespace

FieldChanges readFieldChanges(const ParsedArguments& args, const std::vector<SSHKey>& keys,
                              FieldTarget target, const std::string& helpTopic) {
    if (args.has("--key") && args.has("--no-key"))
        throw UsageError("--key and --no-key exclude each other", helpTopic);
    if (args.has("--proxy-jump") && args.has("--no-proxy-jump"))
        throw UsageError("--proxy-jump and --no-proxy-jump exclude each other", helpTopic);
    FieldChanges changes;
    for (const auto& [option, value] : args.options) {
        if (option == "--user") {
            changes.user = value;
        } else if (option == "--port") {
            changes.port = readPort(value, helpTopic);
        } else if (option == "--key") {
            changes.keyId = findKey(keys, value).id;
        } else if (option == "--no-key") {
            // Empty rather than absent: the block's IdentityFile lines all go.
            changes.keyId = std::optional<std::string>("");
        } else if (option == "--proxy-jump") {
            changes.proxyJump = InputRules::nonEmptyTrimmed(value);
        } else if (option == "--no-proxy-jump") {
            changes.proxyJump = std::optional<std::string>();
        } else if (option == "--option") {
            auto equals = value.find('=');
            if (equals == std::string::npos)
                throw UsageError("--option takes NAME=VALUE, not \"" + value + "\"", helpTopic);
            // Trimmed as the defaults dialog trims a newly added option.
            changes.options.push_back({readOptionName(value.substr(0, equals), target, helpTopic),
                                       InputRules::trimWhitespace(value.substr(equals + 1))});
        } else if (option == "--unset-option") {
            changes.options.push_back({readOptionName(value, target, helpTopic), std::nullopt});
        }
    }
    return changes;
}

void applyFieldChanges(SSHHost& host, const FieldChanges& changes) {
    if (changes.user)
        host.user = *changes.user;
    if (changes.port)
        host.port = *changes.port;
    if (changes.keyId)
        host.keyId = *changes.keyId;
    if (changes.proxyJump)
        host.proxyJump = *changes.proxyJump;
    applyOptionChanges(host.extraOptions, changes.options);
}

void applyFieldChanges(Defaults& defaults, const FieldChanges& changes) {
    if (changes.user)
        defaults.user = InputRules::trimWhitespace(*changes.user);
    if (changes.port)
        defaults.port = *changes.port;
    if (changes.keyId)
        defaults.keyId = changes.keyId->value_or("");
    if (changes.proxyJump)
        defaults.proxyJump = *changes.proxyJump;
    applyOptionChanges(defaults.extraOptions, changes.options);
}

} // namespace moorkeep::cli
