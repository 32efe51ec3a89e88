#include "files/file_error.h"
#include "metadata/user_meta_store.h"
#include "support/temp_dir.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A document that decodes, with every kind of member present; its cache entry
// does not know whether the key has a passphrase.
json validDocument() {
    return json::parse(R"({
        "version": 1,
        "keyMeta": [{"id": "a1b2c3d4e5f60718", "name": "Work laptop"}],
        "hosts": [{"id": "H1", "alias": "db", "hostname": "db.example.com", "user": "ops",
                   "port": 2222, "extraOptions": {"Compression": "yes"}, "source": "user"}],
        "preferredTerminal": "kitty",
        "keyCache": [{"pubPath": "/h/.ssh/a.pub", "pubMtime": 1733412345.25, "pubSize": 81,
                      "privMtime": 1733412345, "privSize": 411, "fingerprint": "SHA256:x",
                      "type": "ed25519", "publicKey": "ssh-ed25519 A", "createdAt": "2024-12-05"}]
    })");
}

class UserMetaStoreTest : public testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.file("data/Moorkeep");
    std::string path = folder + "/moorkeep-config.json";
    UserMetaStore store{path};
};

// Without a file, a save writes the private default record; a path that
// cannot be read as the file is not replaced; a symbolic link is saved
// through to its target.
TEST_F(UserMetaStoreTest, WhereASaveWrites) {
    EXPECT_EQ(store.load(), UserMeta{});
    store.save(store.load());
    EXPECT_EQ(modeOf(folder), 0700);
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(json::parse(readFile(path)),
              json::parse(R"({"version": 1, "keyMeta": [], "hosts": []})"));

    fs::remove(path);
    fs::create_directories(path); // a folder cannot be read as the file, even by root
    EXPECT_THROW(store.save(UserMeta{}), FileError);
    EXPECT_TRUE(fs::is_directory(path));

    fs::remove(path);
    const std::string target = dir.file("elsewhere/real-config.json");
    writeFile(target, validDocument().dump());
    fs::create_symlink(target, path);
    UserMeta meta = store.load();
    meta.preferredTerminal = "xterm";
    store.save(meta);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(UserMetaStore(target).load(), meta);
}

TEST_F(UserMetaStoreTest, FullDocumentSurvivesLoadAndSaveToTheByteAndTimesToTheBit) {
    writeFile(path, validDocument().dump());
    UserMeta meta = store.load();
    ASSERT_EQ(meta.hosts.size(), 1u);
    EXPECT_EQ(meta.hosts[0].port, 2222);
    EXPECT_EQ(meta.preferredTerminal, "kitty");
    ASSERT_TRUE(meta.keyCache);
    EXPECT_EQ(meta.keyCache->at(0),
              (KeyCacheEntry{"/h/.ssh/a.pub", 1733412345.25, 81, 1733412345.0, 411, "SHA256:x",
                             std::nullopt, "ed25519", "ssh-ed25519 A", "2024-12-05"}));

    store.save(meta);
    const std::string first = readFile(path);
    json written = json::parse(first);
    EXPECT_FALSE(written["keyCache"][0].contains("hasPassphrase"));
    EXPECT_EQ(store.load(), meta);
    store.save(store.load());
    EXPECT_EQ(readFile(path), first);
    EXPECT_TRUE(keptCopies(folder).empty());

    // An absent cache is told from an empty one.
    written.erase("keyCache");
    writeFile(path, written.dump());
    EXPECT_EQ(store.load().keyCache, std::nullopt);
    written["keyCache"] = json::array();
    writeFile(path, written.dump());
    EXPECT_EQ(store.load().keyCache, std::vector<KeyCacheEntry>{});

    // The scan compares cached times exactly, so a time must read back as the
    // very same double, not merely a close one.
    for (double time : {1733412345.123456789, 0.1 + 0.2, std::nextafter(1733412345.0, 2e9), -0.0,
                        std::numeric_limits<double>::denorm_min(), 1e21}) {
        UserMeta timed;
        timed.keyCache =
            std::vector<KeyCacheEntry>{{"/h/.ssh/a.pub", time, 81, time, 411, "SHA256:x", true,
                                        "ed25519", "ssh-ed25519 A", "2024-12-05"}};
        store.save(timed);
        const auto back = store.load().keyCache.value_or(std::vector<KeyCacheEntry>(1)).at(0);
        EXPECT_EQ(back.pubMtime, time);
        EXPECT_EQ(std::signbit(back.pubMtime), std::signbit(time));
        EXPECT_EQ(back.privMtime, time);
    }
}

// The names and hosts in a file this version cannot read must survive the
// next save: its exact bytes are kept beside it first.
TEST_F(UserMetaStoreTest, UndecodableFileLoadsTheDefaultAndIsKeptAsideOnSave) {
    const std::pair<const char*, std::function<void(json&)>> breakages[] = {
        {"missing hosts", [](json& d) { d.erase("hosts"); }},
        {"host port as text", [](json& d) { d["hosts"][0]["port"] = "22"; }},
        {"cache time as text", [](json& d) { d["keyCache"][0]["pubMtime"] = "now"; }},
        {"cache passphrase as text", [](json& d) { d["keyCache"][0]["hasPassphrase"] = "no"; }},
    };
    for (const auto& [name, breakIt] : breakages) {
        SCOPED_TRACE(name);
        json document = validDocument();
        breakIt(document);
        const std::string before = document.dump(2);
        const std::string caseFolder = dir.file(name);
        UserMetaStore caseStore(caseFolder + "/meta.json");
        writeFile(caseStore.path(), before);
        EXPECT_EQ(caseStore.load(), UserMeta{});

        UserMeta meta;
        meta.preferredTerminal = "new";
        caseStore.save(meta);
        auto copies = keptCopies(caseFolder);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(readFile(copies[0]), before);
        EXPECT_EQ(modeOf(copies[0]), 0600);
        EXPECT_EQ(caseStore.load(), meta);
    }
}

TEST(UserMetaStoreMergeTest, AppliesNonEmptyDisplayNamesInScanOrder) {
    const std::vector<SSHKey> scanned{
        {"k1", "id_ed25519", "~/.ssh/id_ed25519", "ed25519", "f1", "ssh-ed25519 A", true,
         "2024-12-05"},
        {"k2", "work", "~/.ssh/work", "rsa", "f2", "ssh-rsa B", false, "2024-12-06"}};
    // Each row: the overrides, and the names of the two keys they give.
    const std::tuple<const char*, std::vector<KeyMetaEntry>, std::string, std::string> cases[] = {
        {"no overrides", {}, "id_ed25519", "work"},
        {"named second key", {{"k2", "Work laptop"}}, "id_ed25519", "Work laptop"},
        {"empty name keeps the file name", {{"k1", ""}}, "id_ed25519", "work"},
        {"unknown id ignored", {{"gone", "Old"}}, "id_ed25519", "work"},
        {"later duplicate wins", {{"k1", "First"}, {"k1", "Second"}}, "Second", "work"},
    };
    for (const auto& [name, overrides, first, second] : cases) {
        std::vector<SSHKey> expected = scanned;
        expected[0].name = first;
        expected[1].name = second;
        EXPECT_EQ(UserMetaStore::merge(scanned, overrides), expected) << name;
    }
}

} // namespace
} // namespace moorkeep::test
