#include "keys/key_file_name.h"
#include "model/short_digest.h"
#include "model/uuid.h"
#include "model/vault_error.h"

#include <gtest/gtest.h>
#include <regex>

namespace moorkeep {
namespace {

TEST(ShortDigestTest, FirstSixteenHexDigitsOfSha256) {
    // SHA-256 of "abc" begins ba7816bf8f01cfea.
    EXPECT_EQ(shortDigest("abc"), "ba7816bf8f01cfea");
    EXPECT_EQ(shortDigest(""), "e3b0c44298fc1c14");
}

TEST(UuidTest, UpperCaseVersionFour) {
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::string a = randomUuid();
    EXPECT_TRUE(std::regex_match(a, form)) << a;
    EXPECT_NE(a, randomUuid());
}

TEST(VaultErrorTest, MessagesWordForWord) {
    EXPECT_STREQ(VaultError::keyAlreadyExists("work").what(),
                 "A key named \"work\" already exists in ~/.ssh");
    EXPECT_STREQ(VaultError::keyNotFound("abc").what(), "Key abc not found in ~/.ssh");
    EXPECT_STREQ(VaultError::keyFileNotFound("~/.ssh/x").what(), "Key file not found: ~/.ssh/x");
    auto failed = VaultError::sshKeygenFailed("bad\n");
    EXPECT_STREQ(failed.what(), "ssh-keygen failed: bad\n");
    EXPECT_EQ(failed.kind(), VaultError::Kind::sshKeygenFailed);
    EXPECT_EQ(failed.detail(), "bad\n");
}

TEST(KeyFileNameTest, OneUnderscorePerScalar) {
    EXPECT_EQ(sanitizeKeyFileName("my key.old"), "my_key_old");
    EXPECT_EQ(sanitizeKeyFileName("id_ed25519-Work"), "id_ed25519-Work");
    EXPECT_EQ(sanitizeKeyFileName("clé/a"), "cl__a");
    EXPECT_EQ(sanitizeKeyFileName("日本"), "__");
    EXPECT_EQ(sanitizeKeyFileName(""), "");
}

} // namespace
} // namespace moorkeep
