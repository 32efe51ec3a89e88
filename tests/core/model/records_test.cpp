#include "model/record_json.h"
#include "support/records.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>

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

} // namespace
} // namespace moorkeep
