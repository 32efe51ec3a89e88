#include "keys/key_file_name.h"
#include "model/input_rules.h"
#include "model/record_hash.h"
#include "model/record_json.h"
#include "model/short_digest.h"
#include "model/vault_error.h"

#include <functional>
#include <gtest/gtest.h>
#include <unordered_set>

namespace moorkeep {
namespace {

using nlohmann::json;

const SSHHost sampleHost{
    "id1",           "web", "10.0.0.1", "deploy", 2222, "k1", "bastion", {{"ForwardAgent", "yes"}},
    HostSource::user};
const SSHKey sampleKey{"0123456789abcdef", "work", "~/.ssh/work", "ed25519", "SHA256:abc",
                       "ssh-ed25519 AAAA", true,   "2025-01-02"};

TEST(RecordTest, EqualityAndHashingSeeEveryField) {
    SSHHost configHost = sampleHost;
    configHost.source = HostSource::config;
    SSHHost absentKey = sampleHost;
    absentKey.keyId.reset();
    SSHHost emptyKey = sampleHost;
    emptyKey.keyId = "";
    EXPECT_NE(sampleHost, configHost);
    EXPECT_NE(absentKey, emptyKey);
    EXPECT_FALSE(json(absentKey).contains("keyId"));
    EXPECT_EQ(json(emptyKey)["keyId"], "");
    // Equal values must hash equally to fall together in a set.
    std::unordered_set<SSHHost> hosts{sampleHost, SSHHost(sampleHost), absentKey, emptyKey,
                                      configHost};
    EXPECT_EQ(hosts.size(), 4u);
    EXPECT_EQ(std::hash<SSHKey>{}(sampleKey), std::hash<SSHKey>{}(SSHKey(sampleKey)));
}

TEST(RecordJsonTest, HostRoundTripsAndBrokenHostsFail) {
    const json good = sampleHost;
    EXPECT_EQ(good["source"], "user");
    EXPECT_EQ(good.get<SSHHost>(), sampleHost);
    json noJump = good;
    noJump.erase("proxyJump");
    EXPECT_EQ(noJump.get<SSHHost>().proxyJump, std::nullopt);

    const std::vector<std::pair<const char*, std::function<void(json&)>>> breakages{
        {"no source", [](json& j) { j.erase("source"); }},
        {"unknown source", [](json& j) { j["source"] = "file"; }},
        {"port as text", [](json& j) { j["port"] = "22"; }},
        {"key id as number", [](json& j) { j["keyId"] = 7; }},
        {"array", [](json& j) { j = json::array(); }}};
    for (const auto& [name, breakIt] : breakages) {
        json broken = good;
        breakIt(broken);
        EXPECT_THROW(broken.get<SSHHost>(), std::exception) << name;
    }
}

TEST(RecordJsonTest, KeyWithoutPassphraseStateAndSnapshotRoundTrip) {
    SSHKey key = sampleKey;
    key.hasPassphrase.reset();
    const json j = key;
    EXPECT_FALSE(j.contains("hasPassphrase"));
    EXPECT_EQ(j.get<SSHKey>(), key);

    const VaultData data{{sampleKey, key},
                         {sampleHost},
                         {"admin", 2200, "k1", "jump", {{"A", "1"}}, "/home/u/.ssh/config"},
                         {},
                         {}};
    EXPECT_EQ(json(data).get<VaultData>(), data);
}

TEST(IdentifierTest, DigestErrorsAndKeyFileNames) {
    EXPECT_EQ(shortDigest("abc"), "ba7816bf8f01cfea"); // SHA-256 of "abc"
    EXPECT_STREQ(VaultError::keyAlreadyExists("work").what(),
                 "A key named \"work\" already exists in ~/.ssh");
    EXPECT_STREQ(VaultError::keyNotFound("abc").what(), "Key abc not found in ~/.ssh");
    EXPECT_STREQ(VaultError::keyFileNotFound("~/.ssh/x").what(), "Key file not found: ~/.ssh/x");
    EXPECT_STREQ(VaultError::sshKeygenFailed("bad\n").what(), "ssh-keygen failed: bad\n");
    EXPECT_EQ(sanitizeKeyFileName("my key.old"), "my_key_old");
    EXPECT_EQ(sanitizeKeyFileName("id_ed25519-Work"), "id_ed25519-Work");
    EXPECT_EQ(sanitizeKeyFileName("cl\xC3\xA9/a"), "cl__a");
    EXPECT_EQ(sanitizeKeyFileName("\xE6\x97\xA5\xE6\x9C\xAC"), "__");
}

TEST(InputRulesTest, KeyFileNamesAndEmailAddresses) {
    using InputRules::isValidEmail;
    using InputRules::isValidKeyFileName;
    const struct {
        bool (*rule)(std::string_view);
        std::string text;
        bool valid;
    } cases[] = {
        {isValidKeyFileName, "id_ed25519-work", true},
        {isValidKeyFileName, "", false},
        {isValidKeyFileName, "my key", false},
        {isValidKeyFileName, "id.old", false},
        {isValidKeyFileName, "a/b", false},
        {isValidKeyFileName, "cl\xC3\xA9", true},                       // accented letter
        {isValidKeyFileName, "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87", true}, // Cyrillic
        {isValidKeyFileName, "\xE5\xAF\x86\xE9\x92\xA5", true},         // Chinese
        {isValidKeyFileName, "cle\xCC\x81", true},                      // combining accent
        {isValidKeyFileName, "a\xC2\xA0z", false},                      // no-break space
        {isValidKeyFileName, "key\xF0\x9F\x94\x91", false},             // emoji
        {isValidKeyFileName, "key\xFF", false},                         // not UTF-8
        {isValidEmail, "me@example.com", true},
        {isValidEmail, "", true},
        {isValidEmail, "  me@example.com\t", true},
        {isValidEmail, "me.example.com", false},
        {isValidEmail, "@example.com", false},
        {isValidEmail, "me@", false},
        {isValidEmail, "me@localhost", false},
        {isValidEmail, "me@.example", false},
        {isValidEmail, "me@example.", false},
        {isValidEmail, "me@example.co.", true},
        {isValidEmail, "me@a.b..c.", true},
        {isValidEmail, "me@a.b@c", true},
        {isValidEmail, "me@example", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.rule(c.text), c.valid)
            << (c.rule == isValidEmail ? "e-mail " : "name ") << c.text;
}

TEST(InputRulesTest, PortsAndTrimming) {
    const std::pair<std::string, std::int64_t> ports[] = {{"", 22},
                                                          {"2222", 2222},
                                                          {" 2222", 22},
                                                          {"+2222", 2222},
                                                          {"-5", -5},
                                                          {"+", 22},
                                                          {"22a", 22},
                                                          {"9223372036854775807", INT64_MAX},
                                                          {"9223372036854775808", 22}};
    for (const auto& [text, port] : ports)
        EXPECT_EQ(InputRules::portFromText(text), port) << text;

    EXPECT_EQ(InputRules::trimWhitespace(" \t\xC2\xA0\xE3\x80\x80 a b \t"), "a b");
    EXPECT_EQ(InputRules::trimWhitespace("\na\n"), "\na\n");
    EXPECT_EQ(InputRules::trimWhitespaceAndNewlines("\r\n\t name \xE2\x80\xA8\v"), "name");
    EXPECT_EQ(InputRules::nonEmptyTrimmed("  bastion "), "bastion");
    EXPECT_EQ(InputRules::nonEmptyTrimmed(" \t"), std::nullopt);
}

TEST(InputRulesTest, AnAliasIsOneHostName) {
    for (const char* alias :
         {"web", "db-1.example.com", "caf\xc3\xa9", "user@host", "a_b", "10.0.0.5"})
        EXPECT_TRUE(InputRules::isValidAlias(alias)) << alias;
    for (const char* alias : {"",
                              "web db",
                              "web\tdb",
                              "web\xc2\xa0"
                              "db",
                              "*",
                              "web*",
                              "db?",
                              "!old",
                              "a,b",
                              "-oProxyCommand=x",
                              "-",
                              "a\nb",
                              "a\"b",
                              "x$y",
                              "a`b",
                              "a;b",
                              "a|b",
                              "a\\b",
                              "a(b",
                              "a&b",
                              "a<b",
                              "a{b",
                              "a'b",
                              "a\x1b"
                              "b"})
        EXPECT_FALSE(InputRules::isValidAlias(alias)) << alias;
}

} // namespace
} // namespace moorkeep
