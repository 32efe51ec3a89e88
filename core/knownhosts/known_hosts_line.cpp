#include "knownhosts/known_hosts_line.h"

#include "knownhosts/known_hosts_digest.h"
#include "model/ascii.h"
#include "openssh/ssh_arguments.h"

#include <array>
#include <string>

namespace moorkeep::knownhosts {

namespace {

constexpr std::string_view hashMagic = "|1|";
// OpenSSH gives up on a list holding a pattern this long.
constexpr std::size_t longestPattern = 1022;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

std::size_t wordEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && !isBlank(text[at]))
        ++at;
    return at;
}

// The markers before the patterns; nothing for one OpenSSH refuses. As
// OpenSSH does, a marker ends at the first space of the rest of the line,
// or else at its first tab.
std::optional<Marker> readMarkers(std::string_view line, std::size_t& at) {
    Marker marker = Marker::none;
    while (at < line.size() && line[at] == '@') {
        if (marker != Marker::none)
            return std::nullopt;
        std::size_t end = line.find(' ', at);
        if (end == std::string_view::npos)
            end = line.find('\t', at);
        if (end == std::string_view::npos || end <= at + 1 || end - at >= 32)
            return std::nullopt;
        const std::string_view word = line.substr(at, end - at);
        if (word == "@cert-authority")
            marker = Marker::certAuthority;
        else if (word == "@revoked")
            marker = Marker::revoked;
        else
            return std::nullopt;
        at = skipBlanks(line, end);
    }
    return marker;
}

} // namespace

bool isKnownKeyType(std::string_view type) {
    static constexpr std::array<std::string_view, 10> plain{"ssh-ed25519",
                                                            "sk-ssh-ed25519@openssh.com",
                                                            "ecdsa-sha2-nistp256",
                                                            "ecdsa-sha2-nistp384",
                                                            "ecdsa-sha2-nistp521",
                                                            "sk-ecdsa-sha2-nistp256@openssh.com",
                                                            "ssh-dss",
                                                            "ssh-rsa",
                                                            "rsa-sha2-256",
                                                            "rsa-sha2-512"};
    static constexpr std::array<std::string_view, 6> shortNames{"ED25519",  "ED25519-SK", "ECDSA",
                                                                "ECDSA-SK", "DSA",        "RSA"};
    constexpr std::string_view certSuffix = "-cert-v01@openssh.com";
    if (type == "webauthn-sk-ecdsa-sha2-nistp256@openssh.com")
        return true;
    for (std::string_view name : plain) {
        if (type == name)
            return true;
        // A certificate type is the plain name with "@openssh.com" moved after the suffix.
        const std::string base(name.substr(0, name.find('@')));
        if (type == base + std::string(certSuffix))
            return true;
    }
    for (std::string_view name : shortNames)
        if (equalsIgnoringCase(type, name))
            return true;
    return false;
}

bool hostListMatches(std::string_view name, std::string_view patterns) {
    const std::string lowerName = asciiLower(name);
    bool positive = false;
    for (std::size_t at = 0; at < patterns.size();) {
        const bool negated = patterns[at] == '!';
        if (negated)
            ++at;
        std::size_t end = patterns.find(',', at);
        if (end == std::string_view::npos)
            end = patterns.size();
        if (end - at > longestPattern)
            return false;
        if (config::matchesPattern(lowerName, asciiLower(patterns.substr(at, end - at)))) {
            if (negated)
                return false;
            positive = true;
        }
        at = end < patterns.size() ? end + 1 : end;
    }
    return positive;
}

std::optional<bool> hashedNameMatches(std::string_view hashed, std::string_view name) {
    if (!hashed.starts_with(hashMagic))
        return std::nullopt;
    const std::string_view rest = hashed.substr(hashMagic.size());
    const std::size_t end = rest.find('|');
    if (end == std::string_view::npos || end == 0 || end > 1024)
        return std::nullopt;
    const auto salt = decodeBase64(rest.substr(0, end), 256);
    if (!salt || salt->size() != 20)
        return std::nullopt;
    const std::string expected =
        std::string(hashMagic) + encodeBase64(*salt) + "|" + encodeBase64(hmacSha1(*salt, name));
    return hashed == expected;
}

HostLine readHostLine(std::string_view line, std::string_view name) {
    HostLine read;
    std::size_t at = skipBlanks(line, 0);
    if (at == line.size() || line[at] == '#')
        return read;
    read.kind = HostLine::Kind::malformed;
    const auto marker = readMarkers(line, at);
    if (!marker)
        return read;
    read.marker = *marker;
    const std::size_t hostsEnd = wordEnd(line, at);
    if (hostsEnd == line.size())
        return read;
    const std::string_view hosts = line.substr(at, hostsEnd - at);
    read.hashed = !hosts.empty() && hosts.front() == '|';
    if (read.hashed) {
        const auto matches = hashedNameMatches(hosts, name);
        if (!matches)
            return read;
        read.matched = *matches;
    } else {
        read.matched = hostListMatches(name, hosts);
    }
    at = skipBlanks(line, hostsEnd);
    if (at == line.size() || line[at] == '#')
        return read;
    const std::size_t typeEnd = wordEnd(line, at);
    read.keyType = line.substr(at, typeEnd - at);
    if (read.keyType.size() <= 1 || read.keyType.size() >= 128 || typeEnd == line.size() ||
        !isKnownKeyType(read.keyType))
        return read;
    at = skipBlanks(line, typeEnd);
    if (at == line.size() || line[at] == '#')
        return read;
    read.key = line.substr(at, wordEnd(line, at) - at);
    read.kind = HostLine::Kind::entry;
    return read;
}

} // namespace moorkeep::knownhosts
