#include "files/paths.h"
#include "model/host_groups.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/records.h"
#include "support/store_home.h"

#include <gtest/gtest.h>
#include <tuple>

namespace moorkeep::test {
namespace {

class HostPlacesTest : public StoreHome {};

// Includes two levels deep, two of them inside Host blocks, and the alias web
// in two files: each host knows the line of its own Host line, and the
// groups follow the files in the order OpenSSH reads them, stored hosts last.
TEST_F(HostPlacesTest, HostsKnowTheirLineAndGroupInReadingOrder) {
    writeConfig("Include config.d/work\n"
                "Host web\n"
                "  HostName web.example.org\n"
                "  Include inner\n"
                "Host db\n"
                "  User admin\n");
    writeFile(ssh("config.d/work"), "# work\n"
                                    "Host build\n"
                                    "  Include ~/.ssh/config.d/deep\n"
                                    "\n"
                                    "Host web\n"
                                    "  User deploy\n");
    writeFile(ssh("config.d/deep"), "Host ci\n  HostName ci.example.org\n");
    writeFile(ssh("inner"), "Port 2222\nHost mail\n");
    UserMeta meta;
    meta.hosts = {
        test::host("kept", "kept.example.org", "", 22, {}, {}, {}, HostSource::user, "KEPT")};
    UserMetaStore(metaPath()).save(meta);

    const VaultData data = SystemVaultStore(onHome()).loadData();

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

} // namespace
} // namespace moorkeep::test
