#pragma once

#include "model/ssh_key.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Checks of keys and their certificates that callers turn into findings,
// badges and notifications. Pure: the time is given, nothing is read.
namespace moorkeep::KeyChecks {

// A key OpenSSH no longer trusts to protect a login.
struct WeakKey {
    std::string keyId;
    std::string keyPath;
    std::string message; // one sentence naming the key and why
};

// DSA (off by default since OpenSSH 9.0 and gone in 10) and RSA under 2048 bits.
std::optional<WeakKey> weakKey(const SSHKey& key);

enum class CertificateState { notYetValid, valid, expiresSoon, expired };

struct CertificateExpiry {
    std::string keyId;
    std::string certificatePath;
    CertificateState state = CertificateState::valid;
    std::int64_t secondsLeft = 0; // until it expires; negative once it has
    std::string badge;            // "Expired", "Expires in 3 hours", "Not yet valid", or ""
    std::string message;          // one sentence naming the certificate
};

// What soon means: within a day.
inline constexpr std::int64_t soonSeconds = 24 * 60 * 60;

CertificateExpiry certificateExpiry(const SSHKey& key, const KeyCertificate& certificate,
                                    std::int64_t now);

// The certificates of these keys that have expired or expire within a day.
std::vector<CertificateExpiry> expiringCertificates(const std::vector<SSHKey>& keys,
                                                    std::int64_t now);

} // namespace moorkeep::KeyChecks
