#include "keys/key_file_name.h"
#include "model/input_rules.h"
#include "model/short_digest.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

// Names of every script are fine, spaces, dots, slashes, emoji, a no-break
// space and bytes that are not UTF-8 are not; a combining accent counts as
// part of its letter.
TEST(InputRulesTest, KeyFileNamesEmailAddressesAndTrimming) {
    for (const char* name : {"id_ed25519-work", "clé", "ключ", "密钥", "cle\xCC\x81"})
        EXPECT_TRUE(InputRules::isValidKeyFileName(name)) << name;
    for (const char* name : {"", "my key", "id.old", "a/b", "a\xC2\xA0z", "key🔑", "key\xFF"})
        EXPECT_FALSE(InputRules::isValidKeyFileName(name)) << name;
    // Each character that does not fit becomes one underscore.
    EXPECT_EQ(sanitizeKeyFileName("my key.old"), "my_key_old");
    EXPECT_EQ(sanitizeKeyFileName("id_ed25519-Work"), "id_ed25519-Work");
    EXPECT_EQ(sanitizeKeyFileName("cl\xC3\xA9/a"), "cl__a");
    EXPECT_EQ(sanitizeKeyFileName("\xE6\x97\xA5\xE6\x9C\xAC"), "__");
    // A key's id is the start of the SHA-256 of its private file's path.
    EXPECT_EQ(shortDigest("abc"), "ba7816bf8f01cfea");
    for (const char* email :
         {"me@example.com", "", "  me@example.com\t", "me@example.co.", "me@a.b..c.", "me@a.b@c"})
        EXPECT_TRUE(InputRules::isValidEmail(email)) << email;
    for (const char* email : {"me.example.com", "@example.com", "me@", "me@localhost",
                              "me@.example", "me@example.", "me@example"})
        EXPECT_FALSE(InputRules::isValidEmail(email)) << email;
    // Trimming takes spaces of every script.
    EXPECT_EQ(InputRules::trimWhitespace(" \t\xC2\xA0\xE3\x80\x80 a b \t"), "a b");
    EXPECT_EQ(InputRules::trimWhitespace("\na\n"), "\na\n");
    EXPECT_EQ(InputRules::trimWhitespaceAndNewlines("\r\n\t name \xE2\x80\xA8\v"), "name");
    EXPECT_EQ(InputRules::nonEmptyTrimmed("  bastion "), "bastion");
    EXPECT_EQ(InputRules::nonEmptyTrimmed(" \t"), std::nullopt);
}

TEST(InputRulesTest, AnAliasIsOneHostName) {
    for (const char* alias :
         {"web", "db-1.example.com", "café", "user@host", "a_b", "10.0.0.5", "a#b"})
        EXPECT_TRUE(InputRules::isValidAlias(alias)) << alias;
    for (const char* alias : {"",     "web db", "web\tdb", "web\xc2\xa0x", "*",
                              "web*", "db?",    "!old",    "a,b",          "-oProxyCommand=x",
                              "-",    "a\nb",   "a\"b",    "x$y",          "a`b",
                              "a;b",  "a|b",    "a\\b",    "a(b",          "a&b",
                              "a<b",  "a{b",    "a'b",     "a\x1bz",       "#ab"})
        EXPECT_FALSE(InputRules::isValidAlias(alias)) << alias;
}

} // namespace
} // namespace moorkeep
