#include "files/file_error.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/full_disk.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/store_home.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep::test {
namespace {

using nlohmann::json;

// A system store on a temporary home, with the files a test makes hostile.
class HostileFiles : public StoreHome {
protected:
    // The message of the FileError the operation throws; fails the test when
    // it throws none.
    template <typename Operation> std::string fileErrorOf(Operation operation) {
        try {
            operation();
        } catch (const FileError& error) {
            return error.what();
        }
        ADD_FAILURE() << "no FileError";
        return {};
    }

    SystemVaultStore store{onHome()};
};

bool mentions(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.find(part) != std::string::npos;
    });
}

TEST_F(HostileFiles, LoadingNamesEveryFileItCouldNotUseAndLoadsTheRest) {
    writeFile(ssh("latin1"), "Host caf\xe9\n  User r\xe9my\n");
    writeFile(ssh("config"), "Host web\nInclude latin1\nInclude deep/1\n");
    for (int i = 1; i <= 20; ++i)
        writeFile(ssh("deep/" + std::to_string(i)), "Include deep/" + std::to_string(i + 1) + "\n");
    writeFile(ssh("huge.pub"), "ssh-ed25519 AAAA" + std::string(70 * 1024, 'A') + " huge\n");
    writeFile(metaPath(), std::string(16 * 1024 * 1024 + 1, ' '));

    VaultData data = store.loadData();
    ASSERT_EQ(data.hosts.size(), 1u);
    EXPECT_EQ(data.hosts[0].alias, "web");
    EXPECT_TRUE(data.keys.empty());
    EXPECT_EQ(data.warnings.size(), 4u);
    EXPECT_TRUE(mentions(data.warnings, ssh("latin1") + " is not UTF-8"));
    EXPECT_TRUE(mentions(data.warnings, ssh("deep/17") + " is included more than 16 levels"));
    EXPECT_TRUE(mentions(data.warnings, ssh("huge.pub") + " is larger than 64 KiB"));
    EXPECT_TRUE(mentions(data.warnings, metaPath() + " is larger than 16 MiB"));
    // The over-large metadata file is never replaced, not even by the cache.
    EXPECT_EQ(std::filesystem::file_size(metaPath()), 16u * 1024 * 1024 + 1);
    EXPECT_NE(
        fileErrorOf([&] { store.saveKeyMeta(namedKey("id", "name")); }).find("larger than 16 MiB"),
        std::string::npos);
}

TEST_F(HostileFiles, ABlockInAFileThatCannotBeReadIsNotAddedAgainElsewhere) {
    const std::string main = "Include conf.d/*\nHost web\n  HostName w\n";
    writeFile(ssh("config"), main);
    writeFile(ssh("conf.d/legacy"), "Host *\n  User r\xe9my\nHost old\n  HostName o\n");

    auto defaultsError = fileErrorOf([&] { store.saveConfigDefaults(defaults("admin"), {}); });
    EXPECT_NE(defaultsError.find("~/.ssh/conf.d/legacy"), std::string::npos) << defaultsError;
    auto hostError = fileErrorOf(
        [&] { store.saveHost(host("old", "o2", "", 22, {}, {}, {}, HostSource::user), {}); });
    EXPECT_NE(hostError.find("~/.ssh/conf.d/legacy"), std::string::npos) << hostError;
    EXPECT_EQ(config(), main);

    // A host that is not in that file is added as usual.
    store.saveHost(host("new", "n", "", 22, {}, {}, {}, HostSource::user), {});
    EXPECT_NE(config().find("Host new"), std::string::npos);
}

TEST_F(HostileFiles, AnOverLargeConfigurationIsNeverReplaced) {
    const std::string big = "Host web\n" + std::string(16 * 1024 * 1024, '\n');
    writeFile(ssh("config"), big);
    auto error = fileErrorOf(
        [&] { store.saveHost(host("db", "d", "", 22, {}, {}, {}, HostSource::user), {}); });
    EXPECT_NE(error.find("larger than 16 MiB"), std::string::npos) << error;
    EXPECT_EQ(std::filesystem::file_size(ssh("config")), big.size());
}

TEST_F(HostileFiles, AFullDiskChangesNoFile) {
    const std::string main = "Host web\n  HostName w\n";
    writeFile(ssh("config"), main);
    UserMetaStore(metaPath()).save(UserMeta{1, {{"k", "old name"}}, {}, {}, {}});
    const std::string meta = readFile(metaPath());
    {
        const FullDisk diskFull;
        EXPECT_THROW(store.saveHost(host("db", "d", "", 22, {}, {}, {}, HostSource::user), {}),
                     FileError);
        EXPECT_THROW(store.saveConfigDefaults(defaults("admin"), {}), FileError);
        EXPECT_THROW(store.saveKeyMeta(namedKey("k", "new name")), FileError);
        EXPECT_THROW(store.deleteKeyMeta("k"), FileError);
    }
    EXPECT_EQ(config(), main);
    EXPECT_EQ(readFile(metaPath()), meta);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.file(".ssh")), {}), 1);
}

TEST_F(HostileFiles, MembersOfANewerVersionSurviveARewrite) {
    std::filesystem::create_directories(home.file(".ssh"));
    makeKeyPair(ssh("id_ed25519"));
    store.loadData(); // writes the key cache
    json file = json::parse(readFile(metaPath()));
    file["futureSettings"] = {{"theme", "dark"}};
    file["keyMeta"] = json::array({{{"id", "k1"}, {"name", "work"}, {"colour", "red"}},
                                   {{"id", "k2"}, {"name", "gone"}, {"colour", "blue"}}});
    file["hosts"] = json::array({{{"id", "H"},
                                  {"alias", "a"},
                                  {"hostname", "h"},
                                  {"user", ""},
                                  {"port", 22},
                                  {"extraOptions", json::object()},
                                  {"source", "user"},
                                  {"tags", {"prod"}}}});
    file["keyCache"][0]["certificate"] = "later";
    writeFile(metaPath(), file.dump(2));

    store.saveKeyMeta(namedKey("k1", "personal"));
    store.deleteKeyMeta("k2");
    json saved = json::parse(readFile(metaPath()));
    EXPECT_EQ(saved["futureSettings"]["theme"], "dark");
    ASSERT_EQ(saved["keyMeta"].size(), 1u);
    EXPECT_EQ(saved["keyMeta"][0]["name"], "personal");
    EXPECT_EQ(saved["keyMeta"][0]["colour"], "red");
    EXPECT_EQ(saved["hosts"][0]["tags"], json({"prod"}));
    EXPECT_EQ(saved["keyCache"][0]["certificate"], "later");
}

} // namespace
} // namespace moorkeep::test
