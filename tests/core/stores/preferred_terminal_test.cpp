#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace moorkeep {
namespace {

// Both stores keep the preferred terminal as given, give it back, and forget
// it for blank text; a command line with an open quote is refused and the
// kept one stays.
TEST(PreferredTerminalTest, RoundTripsThroughEitherStore) {
    test::TempDir home;
    SystemVaultStore system({.homedir = home.path(),
                             .userMetaPath = home.file("meta/moorkeep-config.json"),
                             .backupFolder = home.file("backups")});
    DemoVaultStore demo;
    for (VaultStore* store : std::initializer_list<VaultStore*>{&system, &demo}) {
        EXPECT_EQ(store->preferredTerminal(), std::nullopt);
        store->setPreferredTerminal("kitty --title 'my host'");
        EXPECT_EQ(store->preferredTerminal(), "kitty --title 'my host'");
        EXPECT_THROW(store->setPreferredTerminal("foot 'x"), std::invalid_argument);
        EXPECT_EQ(store->preferredTerminal(), "kitty --title 'my host'");
        store->setPreferredTerminal(" \t");
        EXPECT_EQ(store->preferredTerminal(), std::nullopt);
        store->setPreferredTerminal("xterm -fa Mono");
    }
    // In the metadata file, beside what was there, and read by a new store.
    const auto written = nlohmann::json::parse(test::readFile(system.metaStore().path()));
    EXPECT_EQ(written["preferredTerminal"], "xterm -fa Mono");
    EXPECT_TRUE(written.contains("hosts"));
    SystemVaultStore again({.homedir = home.path(),
                            .userMetaPath = home.file("meta/moorkeep-config.json"),
                            .backupFolder = home.file("backups")});
    EXPECT_EQ(again.preferredTerminal(), "xterm -fa Mono");
    again.setPreferredTerminal(std::nullopt);
    EXPECT_FALSE(nlohmann::json::parse(test::readFile(system.metaStore().path()))
                     .contains("preferredTerminal"));
}

} // namespace
} // namespace moorkeep
