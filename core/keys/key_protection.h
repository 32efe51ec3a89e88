#pragma once

#include <optional>
#include <string>
#include <string_view>

// Whether a private key file is protected by a passphrase, told from the
// file's format alone: the OpenSSH container's cipher name, a PEM file's
// "Proc-Type: 4,ENCRYPTED" header, PKCS#8's "ENCRYPTED PRIVATE KEY". Unlike
// asking ssh-keygen, this does not mistake a key it refuses for its loose
// mode for a protected one.
namespace moorkeep::KeyProtection {

// From the first bytes of the file; nothing for a format it does not know.
std::optional<bool> fromText(std::string_view head);

// From the file; nothing when it cannot be read or its format is unknown.
std::optional<bool> ofFile(const std::string& privateKeyPath);

} // namespace moorkeep::KeyProtection
