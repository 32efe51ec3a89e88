#include "model/record_json.h"
#include "model/record_json_text.h"
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
