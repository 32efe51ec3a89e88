#include "editing/config_body.h"
#include "editing/config_writer.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "reading/config_syntax.h"

#include <stdexcept>

// Every value goes into the file as it is, one directive per line: a line
// break would end the directive early and start another one the user never
// wrote.
namespace moorkeep::ConfigWriter {

namespace {

bool breaksLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void checkField(std::string_view value, const std::string& field) {
    if (breaksLine(value))
        throw std::invalid_argument("The " + field +
                                    " must not contain a line break or a NUL character.");
}

// An option name must read back as the keyword of one directive of this
// block.
void checkOptionName(std::string_view key) {
    if (key.empty())
        throw std::invalid_argument("An option name must not be empty.");
    if (breaksLine(key))
        throw std::invalid_argument(
            "An option name must not contain a line break or a NUL character.");
    if (key.find_first_of(" \t\f\v=") != std::string_view::npos)
        throw std::invalid_argument(
            "An option name must be a single word, without spaces or \"=\".");
    if (equalsIgnoringCase(key, "host") || equalsIgnoringCase(key, "match"))
        throw std::invalid_argument("\"" + std::string(key) +
                                    "\" cannot be an extra option: it would start a new block.");
    if (equalsIgnoringCase(key, "include"))
        throw std::invalid_argument(
            "\"Include\" cannot be an extra option: it would read another file.");
}

// A name the user adds must be a plain keyword; names already in the file
// stay as they are, so that their blocks can still be edited.
void checkAddedOptionNames(const OptionMap* before, const OptionMap& after) {
    for (const auto& [key, value] : after)
        if ((!before || !before->contains(key)) && !InputRules::isValidOptionName(key))
            throw std::invalid_argument(std::string(InputRules::optionNameRuleMessage) + " \"" +
                                        key + "\" is not one.");
}

void checkOptions(const OptionMap& options) {
    for (const auto& [key, value] : options) {
        checkOptionName(key);
        checkField(value, "value of the option " + key);
    }
}

void checkKeyPath(const std::string& keyId, const KeyIdToPath& keyIdToPath) {
    if (const auto entry = keyIdToPath.find(keyId); entry != keyIdToPath.end())
        checkField(entry->second, "key path");
}

// OpenSSH takes these values as one word: a space would leave the rest
// behind as an error (or silently drop it), a quote would be read as quoting.
void checkOneWord(const std::vector<config::FieldGroup>& groups) {
    static const std::pair<std::string_view, std::string_view> fields[] = {
        {"HostName", "host name"}, {"User", "user"}, {"ProxyJump", "jump host"}};
    for (const auto& group : groups)
        for (const auto& [keyword, value] : group.directives) {
            // Every spelling of a keyword is the same option to OpenSSH.
            if (equalsIgnoringCase(keyword, "Port")) {
                const auto port = InputRules::parseInteger(value);
                if (!port || *port < 1 || *port > 65535)
                    throw std::invalid_argument("The port must be a number from 1 to 65535, not " +
                                                value + ".");
            }
            for (const auto& [name, field] : fields)
                if (equalsIgnoringCase(keyword, name) &&
                    value.find_first_of(" \t\f\v\"'") != std::string::npos)
                    throw std::invalid_argument("The " + std::string(field) +
                                                " must not contain spaces or quotes.");
        }
}

} // namespace

void checkChange(const std::optional<SSHHost>& original, const SSHHost& host,
                 const Defaults& defaults, const KeyIdToPath& keyIdToPath) {
    checkWritable(host, keyIdToPath);
    checkAddedOptionNames(original ? &original->extraOptions : nullptr, host.extraOptions);
    checkOneWord(config::changedHostGroups(original, host, defaults, keyIdToPath));
}

void checkChange(const std::optional<Defaults>& original, const Defaults& defaults,
                 const KeyIdToPath& keyIdToPath) {
    checkWritable(defaults, keyIdToPath);
    checkAddedOptionNames(original ? &original->extraOptions : nullptr, defaults.extraOptions);
    checkOneWord(config::changedDefaultsGroups(original, defaults, keyIdToPath));
}

void checkWritable(const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    if (host.alias.empty())
        throw std::invalid_argument("The alias must not be empty.");
    checkField(host.alias, "alias");
    // The parser trims a Host line, so such an alias could never be found again.
    if (config::isSpace(host.alias.front()) || config::isSpace(host.alias.back()))
        throw std::invalid_argument("The alias must not begin or end with a space.");
    checkField(host.hostname, "host name");
    checkField(host.user, "user");
    if (host.keyId)
        checkKeyPath(*host.keyId, keyIdToPath);
    if (host.proxyJump)
        checkField(*host.proxyJump, "jump host");
    checkOptions(host.extraOptions);
}

void checkWritable(const Defaults& defaults, const KeyIdToPath& keyIdToPath) {
    checkField(defaults.user, "default user");
    checkKeyPath(defaults.keyId, keyIdToPath);
    if (defaults.proxyJump)
        checkField(*defaults.proxyJump, "default jump host");
    checkOptions(defaults.extraOptions);
}

} // namespace moorkeep::ConfigWriter
