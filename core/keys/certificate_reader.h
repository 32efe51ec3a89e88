#pragma once

#include "model/key_certificate.h"

#include <optional>
#include <string>
#include <string_view>

// OpenSSH certificates (NAME-cert.pub, or any file CertificateFile names),
// read in this process with the facts `ssh-keygen -L` prints. The CA's
// signature is not checked here: OpenSSH checks it when it uses one.
namespace moorkeep::CertificateReader {

// A certificate and the key it certifies.
struct Certified {
    KeyCertificate certificate; // path left empty
    std::string keyType;        // named as SSHKey::type
    std::string keyFingerprint; // of the certified key, as ssh-keygen -l prints it
};

// Whether the text's first piece names a certificate kind.
bool isCertificateText(std::string_view text);

// From the certificate line "NAME BASE64 [COMMENT]"; nothing when it is not
// one OpenSSH would read.
std::optional<Certified> fromText(std::string_view text);

// The file's certificate; nothing when it cannot be read or is none.
std::optional<Certified> ofFile(const std::string& path);

// ssh-keygen -L's "Valid:" text in local time: "forever", "from A to B",
// "after A", "before B", each time as 2026-12-09T10:30:00.
std::string validityText(const KeyCertificate& certificate);

} // namespace moorkeep::CertificateReader
