#include "key_test_support.h"
#include "keys/key_scanner.h"
#include "model/short_digest.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using testing::ElementsAre;
using testing::IsEmpty;

struct KeyKind {
    const char* file;
    const char* type;
    bool locked;
};

constexpr KeyKind keyKinds[] = {
    {"ed25519_open", "ed25519", false}, {"ed25519_locked", "ed25519", true},
    {"rsa_open", "rsa", false},         {"rsa_locked", "rsa", true},
    {"ecdsa_open", "ecdsa", false},     {"ecdsa_locked", "ecdsa", true},
};

// One real pair of each kind, generated once for all tests; tests copy them.
const TempDir& generatedKeys() {
    static const TempDir& dir = []() -> const TempDir& {
        static TempDir keys;
        for (const KeyKind& kind : keyKinds)
            test::makeKeyPair(keys.file(kind.file), kind.type, kind.locked ? "pass phrase" : "");
        return keys;
    }();
    return dir;
}

void setModified(const std::string& path, std::time_t seconds, long nanoseconds) {
    timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class KeyScannerTest : public testing::Test {
protected:
    TempDir dir;     // the scanned directory
    TempDir toolDir; // the logging tool and its log
    std::string log = toolDir.file("runs.log");
    std::string tool = test::recordingKeyTool(toolDir.path(), log);

    // Copies a generated pair into the scanned directory under a new name.
    void addPair(const std::string& source, const std::string& name, bool withPrivate = true) {
        fs::copy_file(generatedKeys().file(source + ".pub"), dir.file(name + ".pub"));
        if (withPrivate)
            fs::copy_file(generatedKeys().file(source), dir.file(name));
    }

    ScanResult scan(const std::vector<KeyCacheEntry>& cache = {}) {
        return KeyScanner::scan(dir.path(), cache, tool);
    }

    std::size_t toolRuns() const { return test::lineCount(log); }
};

class KeyScannerKindTest : public KeyScannerTest, public testing::WithParamInterface<KeyKind> {};

TEST_P(KeyScannerKindTest, describesThePairAsTheToolSeesIt) {
    const KeyKind& kind = GetParam();
    std::string before = test::utcDateOf(std::time(nullptr));
    addPair(kind.file, "id_work");
    ScanResult result = scan();
    std::string after = test::utcDateOf(std::time(nullptr));

    ASSERT_EQ(result.keys.size(), 1u);
    const SSHKey& key = result.keys[0];
    std::string pubPath = dir.file("id_work.pub");
    EXPECT_EQ(key.id, shortDigest(dir.file("id_work")));
    EXPECT_THAT(key.id, testing::MatchesRegex("[0-9a-f]{16}"));
    EXPECT_EQ(key.name, "id_work");
    EXPECT_EQ(key.path, "~/.ssh/id_work");
    EXPECT_EQ(key.type, kind.type);
    EXPECT_EQ(key.fingerprint, test::printedFingerprint(pubPath));
    EXPECT_THAT(key.fingerprint, testing::StartsWith("SHA256:"));
    std::string text = test::readFile(pubPath);
    EXPECT_EQ(key.publicKey + "\n", text);
    EXPECT_EQ(key.hasPassphrase, kind.locked);
    EXPECT_THAT(key.createdAt, testing::AnyOf(before, after));

    ASSERT_EQ(result.cache.size(), 1u);
    const KeyCacheEntry& entry = result.cache[0];
    EXPECT_EQ(entry.pubPath, pubPath);
    EXPECT_EQ(entry.pubSize, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(entry.privSize, static_cast<std::int64_t>(fs::file_size(dir.file("id_work"))));
    EXPECT_TRUE(entry.privMtime.has_value());
    EXPECT_EQ(entry.fingerprint, key.fingerprint);
    EXPECT_EQ(entry.hasPassphrase, key.hasPassphrase);
    EXPECT_EQ(entry.type, key.type);
    EXPECT_EQ(entry.publicKey, key.publicKey);
    EXPECT_EQ(entry.createdAt, key.createdAt);
}

INSTANTIATE_TEST_SUITE_P(Kinds, KeyScannerKindTest, testing::ValuesIn(keyKinds),
                         [](const auto& info) { return std::string(info.param.file); });

TEST_F(KeyScannerTest, skippedAndOtherNamesAreNoKeys) {
    addPair("ed25519_open", "id_ed25519");
    std::string publicText = test::readFile(generatedKeys().file("rsa_open.pub"));
    for (const std::string& name : KeyScanner::skippedNames())
        test::writeFile(dir.file(name + ".pub"), publicText);
    test::writeFile(dir.file("Config.pub"), publicText); // case matters
    test::writeFile(dir.file("known_hosts"), publicText);
    test::writeFile(dir.file("spare.PUB"), publicText);
    test::writeFile(dir.file("notes.pub.txt"), publicText);

    std::vector<std::string> names;
    for (const SSHKey& key : scan().keys)
        names.push_back(key.name);
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("Config", "id_ed25519"));
    EXPECT_EQ(KeyScanner::skippedNames().size(), 8u);
}

TEST_F(KeyScannerTest, lonePublicFileHasNoPassphraseState) {
    addPair("ecdsa_locked", "work", false);
    ScanResult result = scan();

    ASSERT_EQ(result.keys.size(), 1u);
    EXPECT_EQ(result.keys[0].hasPassphrase, std::nullopt);
    EXPECT_EQ(result.keys[0].fingerprint, test::printedFingerprint(dir.file("work.pub")));
    EXPECT_EQ(result.keys[0].id, shortDigest(dir.file("work")));
    EXPECT_EQ(result.cache[0].privMtime, std::nullopt);
    EXPECT_EQ(result.cache[0].privSize, std::nullopt);
    EXPECT_EQ(toolRuns(), 1u); // the fingerprint only, no probe
}

struct UnusableCase {
    const char* name;
    const char* content;
};

class KeyScannerUnusableTest : public KeyScannerTest,
                               public testing::WithParamInterface<UnusableCase> {};

TEST_P(KeyScannerUnusableTest, publicFileMakesNoKey) {
    addPair("ed25519_open", "good");
    test::writeFile(dir.file("bad.pub"), GetParam().content);
    test::writeFile(dir.file("bad"), "private");

    ScanResult result = scan();
    ASSERT_EQ(result.keys.size(), 1u);
    EXPECT_EQ(result.keys[0].name, "good");
    ASSERT_EQ(result.cache.size(), 1u);
    EXPECT_EQ(toolRuns(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Contents, KeyScannerUnusableTest,
                         testing::Values(UnusableCase{"empty", ""},
                                         UnusableCase{"blankLines", "\n\n \t\r\n\n"},
                                         UnusableCase{"unicodeSpaces", "\xC2\xA0\n\xE3\x80\x80"},
                                         UnusableCase{"notUtf8", "ssh-ed25519 \xFF\xFE\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyScannerTest, publicFileThatIsADirectoryMakesNoKey) {
    fs::create_directory(dir.file("odd.pub"));
    EXPECT_THAT(scan().keys, IsEmpty());
}

TEST_F(KeyScannerTest, publicKeyTextIsTrimmedButKeepsInnerLines) {
    test::writeFile(dir.file("two.pub"), " \n\xC2\xA0ssh-ed25519 AAAA one\nssh-rsa BBBB two\n\n");
    ScanResult result = scan();
    ASSERT_EQ(result.keys.size(), 1u);
    EXPECT_EQ(result.keys[0].publicKey, "ssh-ed25519 AAAA one\nssh-rsa BBBB two");
    EXPECT_EQ(result.keys[0].type, "ed25519");
    EXPECT_EQ(result.keys[0].fingerprint, "unknown"); // the tool rejects these made-up keys
}

TEST_F(KeyScannerTest, secondScanWithTheCacheStartsNoProcess) {
    addPair("ed25519_open", "a");
    addPair("rsa_locked", "b");
    addPair("ecdsa_open", "c");
    addPair("ed25519_locked", "lone", false);

    ScanResult first = scan();
    ASSERT_EQ(first.keys.size(), 4u);
    ASSERT_EQ(toolRuns(), 7u);
    ScanResult second = scan(first.cache);
    EXPECT_EQ(toolRuns(), 7u);
    EXPECT_EQ(second, first);
}

TEST_F(KeyScannerTest, touchedPrivateFileMissesTheCache) {
    addPair("ed25519_locked", "touched");
    addPair("ecdsa_open", "untouched");
    ScanResult first = scan();
    ASSERT_EQ(toolRuns(), 4u);

    struct stat attributes {};
    ASSERT_EQ(::stat(dir.file("touched").c_str(), &attributes), 0);
    setModified(dir.file("touched"), attributes.st_mtim.tv_sec + 5, attributes.st_mtim.tv_nsec);
    ScanResult second = scan(first.cache);

    auto runs = test::fileLines(log);
    ASSERT_EQ(runs.size(), 6u);
    std::vector<std::string> newRuns(runs.begin() + 4, runs.end());
    std::sort(newRuns.begin(), newRuns.end());
    EXPECT_THAT(newRuns,
                ElementsAre("-lf " + dir.file("touched.pub"), "-y -P  -f " + dir.file("touched")));
    EXPECT_EQ(second.keys, first.keys);
    auto entryFor = [](const ScanResult& result, const std::string& path) {
        return *std::find_if(result.cache.begin(), result.cache.end(),
                             [&](const KeyCacheEntry& entry) { return entry.pubPath == path; });
    };
    EXPECT_EQ(entryFor(second, dir.file("untouched.pub")),
              entryFor(first, dir.file("untouched.pub")));
    EXPECT_NE(entryFor(second, dir.file("touched.pub")).privMtime,
              entryFor(first, dir.file("touched.pub")).privMtime);
}

TEST_F(KeyScannerTest, subSecondChangeOfThePublicFileMissesTheCache) {
    addPair("ed25519_open", "fine");
    setModified(dir.file("fine.pub"), 1700000000, 250000000);
    ScanResult first = scan();
    ASSERT_EQ(first.cache.size(), 1u);
    EXPECT_EQ(first.cache[0].pubMtime, 1700000000.25);

    setModified(dir.file("fine.pub"), 1700000000, 250001000);
    ScanResult second = scan(first.cache);
    EXPECT_EQ(toolRuns(), 4u);
    EXPECT_NEAR(second.cache[0].pubMtime, 1700000000.250001, 1e-6);
}

TEST_F(KeyScannerTest, hitTakesItsValuesFromTheCacheEntry) {
    addPair("ed25519_open", "cached");
    ScanResult first = scan();
    ASSERT_EQ(first.cache.size(), 1u);

    KeyCacheEntry earlier = first.cache[0];
    earlier.fingerprint = "SHA256:earlier";
    KeyCacheEntry later = first.cache[0];
    later.fingerprint = "SHA256:later";
    later.type = "rsa";
    later.publicKey = "ssh-rsa remembered";
    later.hasPassphrase = true;
    later.createdAt = "2001-02-03";
    ScanResult second = scan({earlier, later});

    EXPECT_EQ(toolRuns(), 2u);
    EXPECT_THAT(second.cache, ElementsAre(later));
    ASSERT_EQ(second.keys.size(), 1u);
    SSHKey expected{shortDigest(dir.file("cached")),
                    "cached",
                    "~/.ssh/cached",
                    "rsa",
                    "SHA256:later",
                    "ssh-rsa remembered",
                    true,
                    "2001-02-03"};
    EXPECT_EQ(second.keys[0], expected);
}

TEST_F(KeyScannerTest, entriesOfFilesNotMetAgainAreDropped) {
    addPair("ed25519_open", "kept");
    addPair("ecdsa_open", "removed");
    ScanResult first = scan();
    fs::remove(dir.file("removed.pub"));

    ScanResult second = scan(first.cache);
    ASSERT_EQ(second.cache.size(), 1u);
    EXPECT_EQ(second.cache[0].pubPath, dir.file("kept.pub"));
    EXPECT_EQ(toolRuns(), 4u);
}

TEST_F(KeyScannerTest, keysFollowTheListingOrderEachWithItsOwnValues) {
    for (const KeyKind& kind : keyKinds)
        addPair(kind.file, std::string("k_") + kind.file);
    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        std::string name = entry.path().filename().string();
        if (name.ends_with(".pub"))
            listed.push_back(name.substr(0, name.size() - 4));
    }

    ScanResult result = scan();
    ASSERT_EQ(result.keys.size(), listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const SSHKey& key = result.keys[i];
        EXPECT_EQ(key.name, listed[i]);
        EXPECT_EQ(result.cache[i].pubPath, dir.file(listed[i] + ".pub"));
        EXPECT_EQ(key.fingerprint, test::printedFingerprint(dir.file(listed[i] + ".pub")));
        EXPECT_EQ(key.hasPassphrase, listed[i].ends_with("_locked")) << key.name;
    }
}

TEST_F(KeyScannerTest, unlistableDirectoryGivesNothing) {
    test::writeFile(dir.file("plain"), "x");
    EXPECT_EQ(KeyScanner::scan(dir.file("missing"), {}, tool), ScanResult{});
    EXPECT_EQ(KeyScanner::scan(dir.file("plain"), {}, tool), ScanResult{});
    EXPECT_EQ(toolRuns(), 0u);
}

TEST_F(KeyScannerTest, trailingSlashIsNotDoubledAndKeysOnlyScanAgrees) {
    addPair("ed25519_open", "id_a");
    ScanResult result = KeyScanner::scan(dir.path() + "/", {}, tool);
    ASSERT_EQ(result.cache.size(), 1u);
    EXPECT_EQ(result.cache[0].pubPath, dir.file("id_a.pub"));
    EXPECT_EQ(result.keys[0].id, shortDigest(dir.file("id_a")));
    EXPECT_EQ(KeyScanner::scan(dir.path()), result.keys);
}

TEST_F(KeyScannerTest, createdAtIsTheBirthDateWhereTheFileSystemKeepsOne) {
    addPair("ed25519_open", "dated");
    setModified(dir.file("dated.pub"), 981201600, 0); // 2001-02-03 12:00 UTC
    struct statx attributes {};
    ASSERT_EQ(::statx(AT_FDCWD, dir.file("dated.pub").c_str(), 0, STATX_BTIME, &attributes), 0);

    std::string createdAt = scan().keys.at(0).createdAt;
    if (attributes.stx_mask & STATX_BTIME)
        EXPECT_EQ(createdAt, test::utcDateOf(attributes.stx_btime.tv_sec));
    else
        EXPECT_EQ(createdAt, "2001-02-03");
}

} // namespace
} // namespace moorkeep
