#include "files/paths.h"
#include "model/host_groups.h"
#include "stores/vault_rules.h"
#include "support/ssh_view.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tuple>

namespace moorkeep::test {
namespace {

// Includes two levels deep, two of them inside Host blocks, and the alias web
// in two files: each host knows the line of its own Host line, and the
// groups follow the files in the order OpenSSH reads them, stored hosts last.
TEST_F(SystemVaultStoreTest, HostsKnowTheirLineAndGroupInReadingOrder) {
    writeConfig("Include config.d/work\n"
                "Host web\n  HostName web.example.org\n  Include inner\n"
                "Host db\n  User admin\n");
    writeFile(ssh("config.d/work"), "# work\n"
                                    "Host build\n  Include ~/.ssh/config.d/deep\n\n"
                                    "Host web\n  User deploy\n");
    writeFile(ssh("config.d/deep"), "Host ci\n  HostName ci.example.org\n");
    writeFile(ssh("inner"), "Port 2222\nHost mail\n");
    storeHosts(meta(), {stored("KEPT", "kept", "kept.example.org")});

    const VaultData data = store->loadData();

    using Place = std::tuple<std::string, std::string, std::size_t>;
    std::vector<Place> places;
    for (const SSHHost& host : data.hosts)
        places.emplace_back(host.alias, host.facts.block.file, host.facts.block.line);
    const std::vector<Place> expected{{"build", ssh("config.d/work"), 2},
                                      {"ci", ssh("config.d/deep"), 1},
                                      {"web", ssh("config.d/work"), 5},
                                      {"web", ssh("config"), 2},
                                      {"mail", ssh("inner"), 2},
                                      {"db", ssh("config"), 5},
                                      {"kept", "", 0}};
    EXPECT_EQ(places, expected);

    const std::vector<HostGroups::Group> groups =
        HostGroups::byFile(data.hosts, data.sources.config.files, ssh("config"));
    const std::vector<HostGroups::Group> expectedGroups{{ssh("config"), {3, 5}},
                                                        {ssh("config.d/work"), {0, 2}},
                                                        {ssh("config.d/deep"), {1}},
                                                        {ssh("inner"), {4}},
                                                        {"", {6}}};
    EXPECT_EQ(groups, expectedGroups);
    EXPECT_EQ(paths::tilded(groups[1].file, home.path()), "~/.ssh/config.d/work");
}

// Each host offers the keys ssh -G lists that exist: without IdentityFile the
// default files (IdentitiesOnly keeps them), with "IdentityFile none" or a
// missing file none of them. The hosts offered a key use it: they count and
// keep it from being deleted.
TEST_F(SystemVaultStoreTest, HostsOfferTheKeysSshGListsDefaultIdentitiesIncluded) {
    makeKeyPair(ssh("id_ed25519"));
    makeKeyPair(ssh("id_ecdsa"), "ecdsa");
    makeKeyPair(ssh("work"));
    writeConfig("Host plain\n  User u\nHost nokey\n  IdentityFile none\nHost only\n"
                "  IdentitiesOnly yes\nHost own\n  IdentityFile ~/.ssh/work\nHost gone\n"
                "  IdentityFile ~/.ssh/missing\nMatch host late\n  IdentityFile ~/.ssh/id_ecdsa\n"
                "Host late\n  IdentityFile ~/.ssh/work\n");
    const VaultData data = store->loadData();
    std::vector<std::string> byDefault;
    for (const SSHHost& host : data.hosts) {
        std::vector<std::string> offered;
        SshView view = sshView(ssh("config"), host.alias, home.path());
        for (const auto& file : view["identityfile"])
            if (const auto path = home.path() + file.substr(1); std::filesystem::exists(path))
                offered.push_back(KeyScanner::keyId(path));
        EXPECT_EQ(host.facts.keyIds, offered) << host.alias;
        if (host.facts.keysByDefault)
            byDefault.push_back(host.alias);
    }
    EXPECT_EQ(byDefault, (std::vector<std::string>{"plain", "only"}));

    const auto counts = VaultRules::usageCounts(data.hosts);
    const auto countOf = [&](const std::string& name) {
        return counts.at(keyNamed(data.keys, name).id);
    };
    EXPECT_EQ(countOf("id_ed25519"), 2);
    EXPECT_EQ(countOf("id_ecdsa"), 3);
    EXPECT_EQ(countOf("work"), 2);
    EXPECT_THAT([&] { store->deleteKeyMeta(keyNamed(data.keys, "id_ed25519").id, {}); },
                testing::ThrowsMessage<VaultError>(
                    "Remove key from all hosts first: id_ed25519 is used by plain, only"));
}

// Changes made while the locks are held (as the command line holds them
// around reading a host and changing it) each start from what the files
// hold at that moment: a change in the same hold, or an editor's write in
// between, is not lost.
TEST_F(SystemVaultStoreTest, ChangesInOneHoldOfTheLocksStartFromTheFilesAsTheyAre) {
    writeConfig("Host web\n  HostName h\n");
    SystemVaultStore::ChangeLocks locks(*store);
    const SSHHost original = store->loadDataForAliases({"web"}).hosts.at(0);
    SSHHost moved = original;
    moved.port = 2200;
    store->saveConfigHost(moved, "web", {});
    EXPECT_EQ(config(), "Host web\n  HostName h\n  Port 2200\n");
    store->saveConfigHost(original, "web", {});
    EXPECT_EQ(config(), "Host web\n  HostName h\n");

    store->loadDataForAliases({"web"});
    writeConfig("Host web\n  HostName h\n  User editor\n");
    SSHHost edited = original;
    edited.user = "editor";
    edited.hostname = "h2";
    store->saveConfigHost(edited, "web", {});
    EXPECT_EQ(config(), "Host web\n  HostName h2\n  User editor\n");
}

} // namespace
} // namespace moorkeep::test
