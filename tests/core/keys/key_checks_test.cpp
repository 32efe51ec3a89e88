#include "keys/key_checks.h"

#include <gtest/gtest.h>
#include <tuple>

namespace moorkeep::test {
namespace {

using KeyChecks::CertificateState;

constexpr std::int64_t now = 1'800'000'000;
constexpr std::int64_t hour = 3600;

TEST(KeyChecksTest, DsaAndShortRsaAreWeak) {
    // Each row: type, size, weak.
    const std::tuple<const char*, std::optional<int>, bool> rows[] = {
        {"dsa", 1024, true},   {"rsa", 1024, true},          {"rsa", 2047, true},
        {"rsa", 2048, false},  {"rsa", std::nullopt, false}, {"ed25519", 256, false},
        {"ecdsa", 256, false}, {"ed25519-sk", 256, false},
    };
    for (const auto& [type, bits, weak] : rows) {
        SSHKey key{"id", "k", "~/.ssh/k", type, "SHA256:x", "", false, "", bits};
        const auto found = KeyChecks::weakKey(key);
        EXPECT_EQ(found.has_value(), weak) << type << " " << bits.value_or(0);
        if (found) {
            EXPECT_EQ(found->keyId, "id");
            EXPECT_TRUE(found->message.starts_with("~/.ssh/k is "));
        }
    }
}

TEST(KeyChecksTest, CertificatesAreExpiredSoonOrValidByTheClock) {
    // Each row: valid after, valid before, state, badge.
    const std::tuple<std::uint64_t, std::uint64_t, CertificateState, const char*> rows[] = {
        {0, KeyCertificate::noEnd, CertificateState::valid, ""},
        {now - hour, now - 1, CertificateState::expired, "Expired"},
        {now - hour, now, CertificateState::expired, "Expired"},
        {now - hour, now + 3 * hour - 20, CertificateState::expiresSoon, "Expires in 3 hours"},
        {now - hour, now + 1 * hour, CertificateState::expiresSoon, "Expires in 1 hour"},
        {now - hour, now + 90, CertificateState::expiresSoon, "Expires in 2 minutes"},
        {now - hour, now + 24 * hour, CertificateState::expiresSoon, "Expires in 24 hours"},
        {now - hour, now + 24 * hour + 1, CertificateState::valid, ""},
        {now + hour, now + 2 * hour, CertificateState::notYetValid, "Not yet valid"},
    };
    SSHKey key{"id", "k", "~/.ssh/k", "ed25519", "SHA256:x", "", false, ""};
    for (const auto& [after, before, state, badge] : rows) {
        KeyCertificate certificate;
        certificate.path = "~/.ssh/k-cert.pub";
        certificate.validAfter = after;
        certificate.validBefore = before;
        key.certificates = {certificate};
        const auto expiry = KeyChecks::certificateExpiry(key, certificate, now);
        SCOPED_TRACE(badge);
        EXPECT_EQ(expiry.state, state);
        EXPECT_EQ(expiry.badge, badge);
        if (before != KeyCertificate::noEnd) {
            EXPECT_EQ(expiry.secondsLeft, static_cast<std::int64_t>(before) - now);
        }
        EXPECT_EQ(expiry.message.empty(), state == CertificateState::valid);
        const bool listed =
            state == CertificateState::expired || state == CertificateState::expiresSoon;
        EXPECT_EQ(KeyChecks::expiringCertificates({key}, now).size(), listed ? 1u : 0u);
    }
}

} // namespace
} // namespace moorkeep::test
