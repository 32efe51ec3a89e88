#include "keys/key_checks.h"

namespace moorkeep::KeyChecks {
namespace {

std::string count(std::int64_t amount, const std::string& unit) {
    return std::to_string(amount) + " " + unit + (amount == 1 ? "" : "s");
}

// Rounded to the nearest unit, so "3 hours" a few seconds short stays 3.
std::string duration(std::int64_t seconds) {
    constexpr std::int64_t minute = 60, hour = 60 * minute, day = 24 * hour;
    if (seconds < hour)
        return count(std::max<std::int64_t>(1, (seconds + minute / 2) / minute), "minute");
    if (seconds < 2 * day)
        return count((seconds + hour / 2) / hour, "hour");
    return count((seconds + day / 2) / day, "day");
}

std::int64_t clamped(std::uint64_t seconds) {
    constexpr std::uint64_t largest = std::uint64_t{1} << 62;
    return static_cast<std::int64_t>(std::min(seconds, largest));
}

} // namespace

std::optional<WeakKey> weakKey(const SSHKey& key) {
    if (key.type == "dsa")
        return WeakKey{key.id, key.path,
                       key.path + " is a DSA key, which OpenSSH 9 no longer offers by default "
                                  "and OpenSSH 10 cannot use: replace it with an Ed25519 key."};
    if (key.type == "rsa" && key.bits && *key.bits < 2048)
        return WeakKey{key.id, key.path,
                       key.path + " is an RSA key of " + std::to_string(*key.bits) +
                           " bits, too short to be safe: replace it with an Ed25519 key or "
                           "RSA of 3072 bits or more."};
    return std::nullopt;
}

CertificateExpiry certificateExpiry(const SSHKey& key, const KeyCertificate& certificate,
                                    std::int64_t now) {
    CertificateExpiry out{key.id, certificate.path, CertificateState::valid, 0, "", ""};
    const std::int64_t end = clamped(certificate.validBefore);
    out.secondsLeft = end - now;
    if (now < clamped(certificate.validAfter)) {
        out.state = CertificateState::notYetValid;
        out.badge = "Not yet valid";
        out.message =
            "The certificate " + certificate.path + " of " + key.path + " is not valid yet.";
    } else if (out.secondsLeft <= 0) {
        out.state = CertificateState::expired;
        out.badge = "Expired";
        out.message = "The certificate " + certificate.path + " of " + key.path +
                      " has expired: ask its signer for a new one.";
    } else if (certificate.validBefore != KeyCertificate::noEnd && out.secondsLeft <= soonSeconds) {
        out.state = CertificateState::expiresSoon;
        out.badge = "Expires in " + duration(out.secondsLeft);
        out.message = "The certificate " + certificate.path + " of " + key.path + " expires in " +
                      duration(out.secondsLeft) + ".";
    }
    return out;
}

std::vector<CertificateExpiry> expiringCertificates(const std::vector<SSHKey>& keys,
                                                    std::int64_t now) {
    std::vector<CertificateExpiry> out;
    for (const SSHKey& key : keys)
        for (const KeyCertificate& certificate : key.certificates) {
            CertificateExpiry expiry = certificateExpiry(key, certificate, now);
            if (expiry.state == CertificateState::expired ||
                expiry.state == CertificateState::expiresSoon)
                out.push_back(std::move(expiry));
        }
    return out;
}

} // namespace moorkeep::KeyChecks
