#pragma once

#include <optional>
#include <string_view>

// One line of a known_hosts file read as OpenSSH reads it (sshd(8),
// "SSH_KNOWN_HOSTS FILE FORMAT"): an optional marker, the host patterns (or
// one hashed name), the key type, the base64 key and a comment.
namespace moorkeep::knownhosts {

enum class Marker { none, certAuthority, revoked };

struct HostLine {
    enum class Kind { comment, entry, malformed };
    Kind kind = Kind::comment; // comment: blank, or starting with "#"
    Marker marker = Marker::none;
    bool matched = false; // the host patterns take the name looked up
    bool hashed = false;  // the patterns are one "|1|salt|hash" name
    std::string_view keyType;
    std::string_view key; // the base64 text
};

// The line without its line feed (a carriage return stays part of it, as
// for OpenSSH). A malformed line is one OpenSSH refuses while it reads the
// whole file: a bad marker, no key type, an unknown key type, or a hashed
// name that does not decode.
HostLine readHostLine(std::string_view line, std::string_view name);

// OpenSSH's match of a host name against a comma-separated list of
// patterns ("*", "?", "!" negating), letters compared without case: true
// when a pattern matches and no negated one does.
bool hostListMatches(std::string_view name, std::string_view patterns);

// Whether the hashed name "|1|salt|hash" is the name's; nothing when it is
// no hashed name OpenSSH can read.
std::optional<bool> hashedNameMatches(std::string_view hashed, std::string_view name);

// OpenSSH's key type names, and the short names it takes for plain keys.
bool isKnownKeyType(std::string_view type);

} // namespace moorkeep::knownhosts
