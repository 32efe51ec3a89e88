#pragma once

#include "arguments.h"
#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep::cli {

// The options that change a host's or the defaults' fields.
inline constexpr std::array<OptionSpec, 8> fieldOptionSpecs{{
    {"--user", true},
    {"--port", true},
    {"--key", true},
    {"--no-key", false},
    {"--proxy-jump", true},
    {"--no-proxy-jump", false},
    {"--option", true},
    {"--unset-option", true},
}};

// Setting (a value) or removing (nothing) one extra option.
struct OptionChange {
    std::string name;
    std::optional<std::string> value;
};

// What the field options ask for; a field not mentioned stays as it is.
struct FieldChanges {
    std::optional<std::string> user;
    std::optional<std::int64_t> port;
    std::optional<std::optional<std::string>> keyId;     // a key id, or none
    std::optional<std::optional<std::string>> proxyJump; // trimmed, none when blank
    std::vector<OptionChange> options;                   // in the order given
};

enum class FieldTarget { host, defaults };

// Reads the field options: --port must be a number from 1 to 65535; --key
// names a key of the list; --key and --no-key (like --proxy-jump and
// --no-proxy-jump) exclude each other; an option name must be one word and
// not one of the directives that have their own field.
FieldChanges readFieldChanges(const ParsedArguments& args, const std::vector<SSHKey>& keys,
                              FieldTarget target, const std::string& helpTopic);

// Applies the changes. Removing an option the record does not have is
// refused. The host's user is taken as typed; the defaults' user trimmed, as
// the defaults dialog takes it.
void applyFieldChanges(SSHHost& host, const FieldChanges& changes);
void applyFieldChanges(Defaults& defaults, const FieldChanges& changes);

} // namespace moorkeep::cli
