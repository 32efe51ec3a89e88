#include "model/record_hash.h"
#include "model/record_json.h"

#include <gtest/gtest.h>
#include <unordered_set>

namespace moorkeep {
namespace {

using nlohmann::json;

SSHHost sampleHost() {
    return {"id1",
            "web",
            "10.0.0.1",
            "deploy",
            2222,
            "k1",
            "bastion",
            {{"ForwardAgent", "yes"}},
            HostSource::user};
}

SSHKey sampleKey() {
    return {"0123456789abcdef", "work", "~/.ssh/work", "ed25519", "SHA256:abc",
            "ssh-ed25519 AAAA", true,   "2025-01-02"};
}

TEST(RecordEqualityTest, EveryFieldCounts) {
    SSHHost other = sampleHost();
    other.source = HostSource::config;
    EXPECT_NE(sampleHost(), other);

    SSHHost absentKey = sampleHost();
    absentKey.keyId.reset();
    SSHHost emptyKey = sampleHost();
    emptyKey.keyId = "";
    EXPECT_NE(absentKey, emptyKey);
    EXPECT_NE(hashValue(absentKey), hashValue(emptyKey));

    std::unordered_set<SSHHost> hosts{sampleHost(), sampleHost(), absentKey, emptyKey, other};
    EXPECT_EQ(hosts.size(), 4u);
    std::unordered_set<SSHKey> keys{sampleKey(), sampleKey()};
    EXPECT_EQ(keys.size(), 1u);
    EXPECT_EQ(std::hash<Defaults>{}(Defaults{}), std::hash<Defaults>{}(Defaults{}));
}

TEST(RecordJsonTest, HostRoundTripsAndLeavesOutAbsentOptionals) {
    json j = sampleHost();
    EXPECT_EQ(j["source"], "user");
    EXPECT_EQ(j["port"], 2222);
    EXPECT_EQ(j.get<SSHHost>(), sampleHost());

    SSHHost bare = sampleHost();
    bare.keyId.reset();
    bare.proxyJump.reset();
    json b = bare;
    EXPECT_FALSE(b.contains("keyId"));
    EXPECT_FALSE(b.contains("proxyJump"));
    EXPECT_EQ(b.get<SSHHost>(), bare);

    SSHHost empty = sampleHost();
    empty.keyId = "";
    EXPECT_EQ(json(empty)["keyId"], "");
}

TEST(RecordJsonTest, OptionalMembersMayBeMissingOrNull) {
    json j = sampleHost();
    j.erase("proxyJump");
    j["keyId"] = nullptr;
    j["unknownMember"] = 42;
    SSHHost decoded = j.get<SSHHost>();
    EXPECT_EQ(decoded.proxyJump, std::nullopt);
    EXPECT_EQ(decoded.keyId, std::nullopt);
}

struct BrokenHost {
    const char* name;
    void (*breakIt)(json&);
};

class BrokenHostTest : public ::testing::TestWithParam<BrokenHost> {};

TEST_P(BrokenHostTest, FailsTheWholeRecord) {
    json j = sampleHost();
    GetParam().breakIt(j);
    EXPECT_THROW(j.get<SSHHost>(), std::exception);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, BrokenHostTest,
    ::testing::Values(BrokenHost{"noSource", [](json& j) { j.erase("source"); }},
                      BrokenHost{"unknownSource", [](json& j) { j["source"] = "file"; }},
                      BrokenHost{"noAlias", [](json& j) { j.erase("alias"); }},
                      BrokenHost{"portAsText", [](json& j) { j["port"] = "22"; }},
                      BrokenHost{"portAsFloat", [](json& j) { j["port"] = 22.5; }},
                      BrokenHost{"nullUser", [](json& j) { j["user"] = nullptr; }},
                      BrokenHost{"optionValueNumber", [](json& j) { j["extraOptions"]["X"] = 1; }},
                      BrokenHost{"keyIdNumber", [](json& j) { j["keyId"] = 7; }},
                      BrokenHost{"notAnObject", [](json& j) { j = json::array(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordJsonTest, KeyWithoutPassphraseStateRoundTrips) {
    SSHKey key = sampleKey();
    key.hasPassphrase.reset();
    json j = key;
    EXPECT_FALSE(j.contains("hasPassphrase"));
    EXPECT_EQ(j.get<SSHKey>(), key);
    j["hasPassphrase"] = "yes";
    EXPECT_THROW(j.get<SSHKey>(), std::exception);
}

TEST(RecordJsonTest, SnapshotRoundTrips) {
    Defaults defaults{"admin", 2200, "k1", "jump", {{"A", "1"}}, "/home/u/.ssh/config"};
    VaultData data{{sampleKey()}, {sampleHost()}, defaults};
    json j = data;
    EXPECT_EQ(j.get<VaultData>(), data);
    EXPECT_FALSE(json(Defaults{}).contains("sourceFile"));
    EXPECT_EQ(json(Defaults{}).get<Defaults>(), Defaults{});
    j["defaults"].erase("keyId");
    EXPECT_THROW(j.get<VaultData>(), std::exception);
}

} // namespace
} // namespace moorkeep
