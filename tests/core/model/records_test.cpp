#include "keys/key_file_name.h"
#include "model/input_rules.h"
#include "model/port_rule.h"
#include "model/record_json.h"
#include "model/record_json_text.h"
#include "model/short_digest.h"
#include "support/records.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>

namespace moorkeep {
namespace {

using nlohmann::json;

const SSHHost sampleHost{
    "id1",           "web", "10.0.0.1", "deploy", 2222, "k1", "bastion", {{"ForwardAgent", "yes"}},
    HostSource::user};
const SSHKey sampleKey{"0123456789abcdef", "work", "~/.ssh/work", "ed25519", "SHA256:abc",
                       "ssh-ed25519 AAAA", true,   "2025-01-02"};

TEST(RecordTest, EqualityHashingAndJsonSeeEveryField) {
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

    // JSON: every record round-trips, a broken host fails.
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

    // A key without passphrase state, and a whole snapshot.
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

// The two readings of a port: the configuration's (22 for anything that is
// not a whole signed integer, no range check) and a dialog field's (empty
// is 22, anything else plain digits from 1 to 65535). Each row gives what
// the configuration makes of the text.
TEST(PortRuleTest, EachReadingOfAPort) {
    const std::pair<std::string, std::int64_t> fieldTakes[] = {
        {"", 22}, {"2222", 2222}, {"1", 1}, {"65535", 65535}, {"022", 22}};
    const std::pair<std::string, std::int64_t> fieldRefuses[] = {
        {"0", 0},      {"000000", 0}, {"65536", 65536}, {"-22", -22}, {"+2222", 2222},
        {" 2222", 22}, {"2222 ", 22}, {"22 22", 22},    {"22a", 22},  {"ssh", 22},
        {"+", 22},     {"-", 22},     {"+-5", 22},      {"0x50", 22}, {"9223372036854775808", 22}};
    for (const auto& [text, port] : fieldTakes) {
        EXPECT_EQ(InputRules::portFromText(text), port) << text;
        EXPECT_EQ(portFromField(text), port) << text;
        EXPECT_EQ(portProblem(text), std::nullopt) << text;
    }
    for (const auto& [text, port] : fieldRefuses) {
        EXPECT_EQ(InputRules::portFromText(text), port) << text;
        EXPECT_EQ(portFromField(text), std::nullopt) << text;
        EXPECT_EQ(portProblem(text), "Port must be a number from 1 to 65535.") << text;
    }
    EXPECT_EQ(InputRules::portFromText("9223372036854775807"), INT64_MAX);
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

// The text must be exactly what the JSON value prints, for every kind of
// field and every character that JSON escapes or that is not UTF-8.
TEST(RecordJsonTextTest, PrintsHostsAsTheirJsonValueDoes) {
    using test::host;
    const std::vector<std::vector<SSHHost>> cases{
        {},
        {host("web")},
        {host("web", "10.0.0.1", "deploy", 2222, "0123456789abcdef", "bastion",
              {{"ForwardAgent", "yes"}, {"LocalForward", "8080 localhost:80"}}, HostSource::user,
              "A1B2")},
        {host("quote\"back\\slash", "tab\there", "nl\ncr\rff\fbs\b", -5, "", "",
              {{"", "empty name"}, {"Z", "\x01\x1f\x7f"}})},
        {host("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x91", "\xff\xfe", "cut\xe2\x82", 0),
         host("max", "h", "u", std::numeric_limits<std::int64_t>::max()),
         host("min", "h", "u", std::numeric_limits<std::int64_t>::min())},
        {host("/slash/"), host("nul", std::string("a\0b", 3))},
        // Enough hosts to be written in several pieces.
        std::vector<SSHHost>(2000, host("web", "10.0.0.1", "deploy", 2222, "k", "j",
                                        {{"ServerAliveInterval", "30"}})),
    };
    for (const auto& hosts : cases) {
        std::ostringstream text;
        RecordJsonText::writeHosts(text, hosts);
        EXPECT_EQ(text.str(), json(hosts).dump(2, ' ', false, json::error_handler_t::replace));
    }
}

} // namespace
} // namespace moorkeep
