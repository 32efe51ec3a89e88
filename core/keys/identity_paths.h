#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The key files the configuration's IdentityFile and CertificateFile lines
// name, as OpenSSH's client reads them.
namespace moorkeep::IdentityPaths {

// The identity files OpenSSH offers when no IdentityFile line applies to a
// host (not even "IdentityFile none"), in the order ssh -G prints them, as
// it spells them. IdentitiesOnly and the other key sources leave them in:
// ssh -G lists them all the same.
inline constexpr std::array<std::string_view, 7> defaultFiles{
    "~/.ssh/id_rsa",        "~/.ssh/id_ecdsa", "~/.ssh/id_ecdsa_sk", "~/.ssh/id_ed25519",
    "~/.ssh/id_ed25519_sk", "~/.ssh/id_xmss",  "~/.ssh/id_dsa"};

// The file a value names: "~" and "%d" are the home directory, "%u" the
// local user, "%%" a percent sign, after a lexical clean-up; nothing for a
// value with another token, which depends on the host.
std::optional<std::string> expanded(std::string_view value, const std::string& homedir,
                                    const std::string& localUser);

} // namespace moorkeep::IdentityPaths
