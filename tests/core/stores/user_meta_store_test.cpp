#include "files/file_error.h"
#include "stores/user_meta_store.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Copies of unreadable files kept in the folder, by name.
std::vector<std::string> keptCopies(const std::string& folder) {
    static const std::regex pattern(R"(moorkeep-config\.json\.unreadable-\d{8}T\d{6}Z(-\d+)?)");
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder))
        if (std::regex_match(entry.path().filename().string(), pattern))
            out.push_back(entry.path().string());
    return out;
}

// A document that decodes, with every kind of member present.
json validDocument() {
    return json::parse(R"({
        "version": 1,
        "keyMeta": [{"id": "a1b2c3d4e5f60718", "name": "Work laptop"}],
        "hosts": [{"id": "H1", "alias": "db", "hostname": "db.example.com", "user": "ops",
                   "port": 2222, "extraOptions": {"Compression": "yes"}, "source": "user"}],
        "preferredTerminal": "kitty",
        "keyCache": [{"pubPath": "/h/.ssh/a.pub", "pubMtime": 1733412345.25, "pubSize": 81,
                      "privMtime": 1733412345, "privSize": 411, "fingerprint": "SHA256:x",
                      "hasPassphrase": false, "type": "ed25519", "publicKey": "ssh-ed25519 A",
                      "createdAt": "2024-12-05"}]
    })");
}

class UserMetaStoreTest : public testing::Test {
protected:
    test::TempDir dir;
    std::string folder = dir.file("data/Moorkeep");
    std::string path = folder + "/moorkeep-config.json";
    UserMetaStore store{path};

    void writeMetaFile(const std::string& bytes) { test::writeFile(path, bytes); }
};

TEST_F(UserMetaStoreTest, WithoutAFileLoadsTheDefaultRecord) {
    UserMeta meta = store.load();

    EXPECT_EQ(meta.version, 1);
    EXPECT_TRUE(meta.keyMeta.empty());
    EXPECT_TRUE(meta.hosts.empty());
    EXPECT_FALSE(meta.preferredTerminal);
    EXPECT_FALSE(meta.keyCache);
}

TEST_F(UserMetaStoreTest, SaveCreatesTheFolderAndAPrivateFileWithTheRequiredMembersOnly) {
    store.save(store.load());

    EXPECT_EQ(modeOf(folder), 0700);
    EXPECT_EQ(modeOf(path), 0600);
    json written = json::parse(test::readFile(path));
    EXPECT_EQ(written, json::parse(R"({"version": 1, "keyMeta": [], "hosts": []})"));
}

TEST_F(UserMetaStoreTest, ReadsEveryMemberOfAFullDocument) {
    writeMetaFile(validDocument().dump());

    UserMeta meta = store.load();

    EXPECT_EQ(meta.keyMeta, (std::vector<KeyMetaEntry>{{"a1b2c3d4e5f60718", "Work laptop"}}));
    ASSERT_EQ(meta.hosts.size(), 1u);
    EXPECT_EQ(meta.hosts[0].port, 2222);
    EXPECT_EQ(meta.hosts[0].source, HostSource::user);
    EXPECT_EQ(meta.preferredTerminal, "kitty");
    ASSERT_TRUE(meta.keyCache);
    EXPECT_EQ(meta.keyCache->at(0),
              (KeyCacheEntry{"/h/.ssh/a.pub", 1733412345.25, 81, 1733412345.0, 411, "SHA256:x",
                             false, "ed25519", "ssh-ed25519 A", "2024-12-05"}));
}

TEST_F(UserMetaStoreTest, TellsAnAbsentCacheFromAnEmptyOne) {
    json document = validDocument();
    document.erase("keyCache");
    writeMetaFile(document.dump());
    EXPECT_FALSE(store.load().keyCache);

    document["keyCache"] = json::array();
    writeMetaFile(document.dump());
    EXPECT_EQ(store.load().keyCache, std::vector<KeyCacheEntry>{});
}

TEST_F(UserMetaStoreTest, CacheEntryWithoutPassphraseFactStaysWithout) {
    json document = validDocument();
    document["keyCache"][0].erase("hasPassphrase");
    writeMetaFile(document.dump());

    UserMeta meta = store.load();
    ASSERT_TRUE(meta.keyCache);
    EXPECT_FALSE(meta.keyCache->at(0).hasPassphrase);
    store.save(meta);

    json written = json::parse(test::readFile(path));
    EXPECT_FALSE(written["keyCache"][0].contains("hasPassphrase"));
    EXPECT_EQ(store.load(), meta);
}

TEST_F(UserMetaStoreTest, CarriesThePreferredTerminalThroughLoadAndSave) {
    writeMetaFile(validDocument().dump());

    store.save(store.load());

    EXPECT_EQ(json::parse(test::readFile(path))["preferredTerminal"], "kitty");
    EXPECT_EQ(store.load().preferredTerminal, "kitty");
}

TEST_F(UserMetaStoreTest, SavingTheSameRecordTwiceGivesTheSameBytes) {
    writeMetaFile(validDocument().dump());
    UserMeta meta = store.load();

    store.save(meta);
    std::string first = test::readFile(path);
    store.save(store.load());

    EXPECT_EQ(test::readFile(path), first);
}

TEST_F(UserMetaStoreTest, SaveMakesAnExistingFilePrivate) {
    writeMetaFile(validDocument().dump());
    ::chmod(path.c_str(), 0644);

    store.save(store.load());

    EXPECT_EQ(modeOf(path), 0600);
}

TEST_F(UserMetaStoreTest, SaveOverADecodableFileKeepsNoCopy) {
    writeMetaFile(validDocument().dump());
    store.save(UserMeta{});
    EXPECT_TRUE(keptCopies(folder).empty());
}

TEST_F(UserMetaStoreTest, SavesThroughASymbolicLinkToItsTarget) {
    test::TempDir elsewhere;
    const std::string target = elsewhere.file("real-config.json");
    test::writeFile(target, validDocument().dump());
    fs::create_directories(folder);
    fs::create_symlink(target, path);
    UserMeta meta = store.load();
    meta.preferredTerminal = "xterm";

    store.save(meta);

    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(modeOf(target), 0600);
    EXPECT_EQ(UserMetaStore(target).load(), meta);
}

TEST_F(UserMetaStoreTest, SaveFailsWhenTheFolderCannotBeMade) {
    test::writeFile(dir.file("data"), "a file where the folder should be");
    EXPECT_THROW(store.save(UserMeta{}), FileError);
}

TEST_F(UserMetaStoreTest, RecordThatJsonCannotHoldIsReportedAndNothingIsWritten) {
    const std::string before = validDocument().dump();
    writeMetaFile(before);
    UserMeta meta;
    meta.keyMeta = {{"a1b2c3d4e5f60718", "\xc3"}};

    try {
        store.save(meta);
        FAIL() << "saved text that is not UTF-8";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    EXPECT_EQ(test::readFile(path), before);
}

struct UndecodableCase {
    const char* name;
    std::function<std::string(json)> bytes; // from a document that decodes
};

void PrintTo(const UndecodableCase& c, std::ostream* out) {
    *out << c.name;
}

class UserMetaStoreUndecodableTest : public UserMetaStoreTest,
                                     public testing::WithParamInterface<UndecodableCase> {};

TEST_P(UserMetaStoreUndecodableTest, LoadsTheDefaultRecord) {
    writeMetaFile(GetParam().bytes(validDocument()));
    EXPECT_EQ(store.load(), UserMeta{});
}

// The names and hosts in a file this version cannot read must survive the
// next save: its exact bytes are kept beside it first.
TEST_P(UserMetaStoreUndecodableTest, NextSaveKeepsTheOldBytesBesideTheNewFile) {
    const std::string before = GetParam().bytes(validDocument());
    writeMetaFile(before);
    UserMeta meta;
    meta.preferredTerminal = "new";

    store.save(meta);

    auto copies = keptCopies(folder);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(test::readFile(copies[0]), before);
    EXPECT_EQ(modeOf(copies[0]), 0600);
    EXPECT_EQ(store.load(), meta);
}

json without(json document, const char* member) {
    document.erase(member);
    return document;
}

template <typename Change> std::string changed(json document, Change change) {
    change(document);
    return document.dump(2);
}

const UndecodableCase undecodableCases[] = {
    {"NotJson", [](json) { return std::string("version = 1\n"); }},
    {"Truncated", [](json d) { return d.dump().substr(0, 40); }},
    {"InvalidUtf8InAString",
     [](json d) {
         std::string text = d.dump();
         return text.replace(text.find("Work laptop"), 4, "W\xff\xfe!");
     }},
    {"TopLevelArray", [](json d) { return json::array({d}).dump(); }},
    {"MissingVersion", [](json d) { return without(d, "version").dump(); }},
    {"MissingKeyMeta", [](json d) { return without(d, "keyMeta").dump(); }},
    {"MissingHosts", [](json d) { return without(d, "hosts").dump(); }},
    {"VersionAsText", [](json d) { return changed(d, [](json& j) { j["version"] = "1"; }); }},
    {"VersionAsFraction", [](json d) { return changed(d, [](json& j) { j["version"] = 1.5; }); }},
    {"HostsAsObject",
     [](json d) { return changed(d, [](json& j) { j["hosts"] = json::object(); }); }},
    {"KeyMetaNameAsNumber",
     [](json d) { return changed(d, [](json& j) { j["keyMeta"][0]["name"] = 7; }); }},
    {"KeyMetaEntryWithoutId",
     [](json d) { return changed(d, [](json& j) { j["keyMeta"][0].erase("id"); }); }},
    {"HostPortAsText",
     [](json d) { return changed(d, [](json& j) { j["hosts"][0]["port"] = "22"; }); }},
    {"HostWithoutSource",
     [](json d) { return changed(d, [](json& j) { j["hosts"][0].erase("source"); }); }},
    {"HostWithUnknownSource",
     [](json d) { return changed(d, [](json& j) { j["hosts"][0]["source"] = "cloud"; }); }},
    {"HostOptionValueAsNumber",
     [](json d) {
         return changed(d, [](json& j) { j["hosts"][0]["extraOptions"]["Compression"] = 1; });
     }},
    {"PreferredTerminalAsNumber",
     [](json d) { return changed(d, [](json& j) { j["preferredTerminal"] = 3; }); }},
    {"KeyCacheAsObject",
     [](json d) { return changed(d, [](json& j) { j["keyCache"] = json::object(); }); }},
    {"CacheTimeAsText",
     [](json d) { return changed(d, [](json& j) { j["keyCache"][0]["pubMtime"] = "now"; }); }},
    {"CacheSizeAsFraction",
     [](json d) { return changed(d, [](json& j) { j["keyCache"][0]["privSize"] = 411.5; }); }},
    {"CachePassphraseAsText",
     [](json d) { return changed(d, [](json& j) { j["keyCache"][0]["hasPassphrase"] = "no"; }); }},
    {"CacheEntryWithoutFingerprint",
     [](json d) { return changed(d, [](json& j) { j["keyCache"][0].erase("fingerprint"); }); }},
};

INSTANTIATE_TEST_SUITE_P(Cases, UserMetaStoreUndecodableTest, testing::ValuesIn(undecodableCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UserMetaStoreTest, AcceptsNullOptionalsAndIgnoresUnknownMembers) {
    json document = validDocument();
    document["preferredTerminal"] = nullptr;
    document["keyCache"] = nullptr;
    document["theme"] = "dark";
    document["hosts"][0]["colour"] = "red";
    writeMetaFile(document.dump());

    UserMeta meta = store.load();

    EXPECT_EQ(meta.hosts.size(), 1u);
    EXPECT_FALSE(meta.preferredTerminal);
    EXPECT_FALSE(meta.keyCache);
}

TEST_F(UserMetaStoreTest, EachSaveOverAnUndecodableFileKeepsItsOwnCopy) {
    writeMetaFile("first broken");
    store.save(UserMeta{});
    writeMetaFile("second broken");
    store.save(UserMeta{});

    auto copies = keptCopies(folder);
    ASSERT_EQ(copies.size(), 2u);
    std::set<std::string> contents{test::readFile(copies[0]), test::readFile(copies[1])};
    EXPECT_EQ(contents, (std::set<std::string>{"first broken", "second broken"}));
}

TEST_F(UserMetaStoreTest, FileThatCannotBeReadIsNotReplaced) {
    fs::create_directories(path); // a folder where the file should be cannot be read as one

    try {
        store.save(UserMeta{});
        FAIL() << "replaced a file it could not read";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("cannot be read"), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(UserMetaStoreTest, FileWithoutReadPermissionIsNotReplaced) {
    const std::string before = validDocument().dump();
    writeMetaFile(before);
    ::chmod(path.c_str(), 0200);
    if (::access(path.c_str(), R_OK) == 0)
        GTEST_SKIP() << "this user reads files whatever their permissions";

    EXPECT_THROW(store.save(UserMeta{}), FileError);

    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(test::readFile(path), before);
}

SSHKey scannedKey(const std::string& id, const std::string& name) {
    return SSHKey{id,   name,        "~/.ssh/" + name, "ed25519", "SHA256:" + id, "ssh-ed25519 A",
                  true, "2024-12-05"};
}

struct MergeCase {
    const char* name;
    std::vector<KeyMetaEntry> overrides;
    std::vector<std::string> expectedNames;
};

void PrintTo(const MergeCase& c, std::ostream* out) {
    *out << c.name;
}

class UserMetaStoreMergeTest : public testing::TestWithParam<MergeCase> {};

TEST_P(UserMetaStoreMergeTest, AppliesDisplayNamesInScanOrder) {
    const std::vector<SSHKey> scanned{scannedKey("k1", "id_ed25519"), scannedKey("k2", "work")};

    std::vector<SSHKey> merged = UserMetaStore::merge(scanned, GetParam().overrides);

    ASSERT_EQ(merged.size(), scanned.size());
    for (std::size_t i = 0; i < merged.size(); ++i) {
        SSHKey expected = scanned[i];
        expected.name = GetParam().expectedNames[i];
        EXPECT_EQ(merged[i], expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserMetaStoreMergeTest,
    testing::Values(
        MergeCase{"NoOverrides", {}, {"id_ed25519", "work"}},
        MergeCase{"NamedSecondKey", {{"k2", "Work laptop"}}, {"id_ed25519", "Work laptop"}},
        MergeCase{"EmptyNameKeepsFileName", {{"k1", ""}}, {"id_ed25519", "work"}},
        MergeCase{"UnknownIdIgnored", {{"gone", "Old"}}, {"id_ed25519", "work"}},
        MergeCase{"LaterDuplicateWins", {{"k1", "First"}, {"k1", "Second"}}, {"Second", "work"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

#ifdef __APPLE__
TEST(UserMetaStoreDefaultPathTest, LiesInTheApplicationSupportFolderOfTheHome) {
    EXPECT_EQ(UserMetaStore::defaultPath("/Users/ann"),
              "/Users/ann/Library/Application Support/Moorkeep/moorkeep-config.json");
}
#else
struct DataHomeCase {
    const char* name;
    const char* xdgDataHome; // nullptr: not set
    const char* expected;
};

void PrintTo(const DataHomeCase& c, std::ostream* out) {
    *out << c.name;
}

class UserMetaStoreDefaultPathTest : public testing::TestWithParam<DataHomeCase> {};

TEST_P(UserMetaStoreDefaultPathTest, FollowsTheDataHome) {
    ScopedEnv env("XDG_DATA_HOME", GetParam().xdgDataHome);
    EXPECT_EQ(UserMetaStore::defaultPath("/home/ann"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserMetaStoreDefaultPathTest,
    testing::Values(
        DataHomeCase{"Unset", nullptr, "/home/ann/.local/share/Moorkeep/moorkeep-config.json"},
        DataHomeCase{"Empty", "", "/home/ann/.local/share/Moorkeep/moorkeep-config.json"},
        DataHomeCase{"Relative", "data", "/home/ann/.local/share/Moorkeep/moorkeep-config.json"},
        DataHomeCase{"Absolute", "/srv/data", "/srv/data/Moorkeep/moorkeep-config.json"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UserMetaStoreDefaultPathOfUserTest, UsesTheCurrentHome) {
    test::TempDir home;
    ScopedEnv homeEnv("HOME", home.path().c_str());
    ScopedEnv dataEnv("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(UserMetaStore::defaultPath(),
              home.path() + "/.local/share/Moorkeep/moorkeep-config.json");
}
#endif

} // namespace
} // namespace moorkeep
