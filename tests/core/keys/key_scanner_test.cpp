#include "keys/key_scanner.h"
#include "keys/utc_date.h"
#include "model/short_digest.h"
#include "support/key_files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;

const struct {
    const char* file;
    const char* type;
    bool locked;
} keyKinds[] = {
    {"ed25519_open", "ed25519", false}, {"ed25519_locked", "ed25519", true},
    {"rsa_open", "rsa", false},         {"rsa_locked", "rsa", true},
    {"ecdsa_open", "ecdsa", false},     {"ecdsa_locked", "ecdsa", true},
};

// One real pair of each kind, generated once for all tests; tests copy them.
const TempDir& generatedKeys() {
    static const TempDir& dir = []() -> const TempDir& {
        static TempDir keys;
        for (const auto& kind : keyKinds)
            makeKeyPair(keys.file(kind.file), kind.type, kind.locked ? "pass phrase" : "");
        return keys;
    }();
    return dir;
}

class KeyScannerTest : public testing::Test {
protected:
    TempDir dir;     // the scanned directory
    TempDir toolDir; // the recording tool and its log
    std::string log = toolDir.file("runs.log");
    std::string tool = recordingKeyTool(toolDir.path(), log);

    // Copies a generated pair into the scanned directory under a new name.
    void addPair(const std::string& source, const std::string& name, bool withPrivate = true) {
        fs::copy_file(generatedKeys().file(source + ".pub"), dir.file(name + ".pub"));
        if (withPrivate)
            fs::copy_file(generatedKeys().file(source), dir.file(name));
    }

    ScanResult scan(const std::vector<KeyCacheEntry>& cache = {}) {
        return KeyScanner::scan(dir.path(), cache, tool);
    }

    std::size_t toolRuns() const { return fileLines(log).size(); }
};

TEST_F(KeyScannerTest, EveryKindIsDescribedAsTheToolSeesItInListingOrder) {
    for (const auto& kind : keyKinds)
        addPair(kind.file, kind.file);
    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".pub")
            listed.push_back(entry.path().stem().string());
    const std::string before = keys::utcDate(std::time(nullptr));
    ScanResult result = scan();
    const std::string after = keys::utcDate(std::time(nullptr));

    ASSERT_EQ(result.keys.size(), listed.size());
    ASSERT_EQ(result.cache.size(), listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const SSHKey& key = result.keys[i];
        const KeyCacheEntry& entry = result.cache[i];
        const std::string& name = listed[i];
        const std::string pubPath = dir.file(name + ".pub"), publicText = readFile(pubPath);
        SCOPED_TRACE(name);
        EXPECT_THAT(key.createdAt, testing::AnyOf(before, after));
        EXPECT_EQ(key, (SSHKey{shortDigest(dir.file(name)), name, "~/.ssh/" + name,
                               name.substr(0, name.find('_')), printedFingerprint(pubPath),
                               publicText.substr(0, publicText.size() - 1),
                               name.ends_with("_locked"), key.createdAt}));
        EXPECT_EQ(entry.pubPath, pubPath);
        EXPECT_EQ(entry.privSize, static_cast<std::int64_t>(fs::file_size(dir.file(name))));
        EXPECT_EQ(entry.fingerprint, key.fingerprint);
        EXPECT_EQ(entry.hasPassphrase, key.hasPassphrase);
    }
}

TEST_F(KeyScannerTest, SkippedNamesBlankPublicFilesAndAMissingFolderMakeNoKey) {
    EXPECT_EQ(KeyScanner::scan(dir.file("missing"), {}, tool), ScanResult{});
    EXPECT_EQ(toolRuns(), 0u);
    addPair("ed25519_open", "id_ed25519");
    const std::string publicText = readFile(generatedKeys().file("rsa_open.pub"));
    for (const std::string& name : KeyScanner::skippedNames())
        writeFile(dir.file(name + ".pub"), publicText);
    writeFile(dir.file("Config.pub"), publicText); // case matters
    writeFile(dir.file("known_hosts"), publicText);
    writeFile(dir.file("spare.PUB"), publicText);
    writeFile(dir.file("empty.pub"), "");
    writeFile(dir.file("blank.pub"), "\n\n \t\r\n\xC2\xA0\n");
    writeFile(dir.file("blank"), "private");

    std::vector<std::string> names;
    for (const SSHKey& key : scan().keys)
        names.push_back(key.name);
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("Config", "id_ed25519"));
}

// A lone public file has no passphrase state. A scan from the cache starts
// no process until a private file is touched; then only that key is probed,
// and a key whose public file went is dropped.
TEST_F(KeyScannerTest, TheCacheSparesTheToolUntilAPrivateFileChanges) {
    addPair("ed25519_locked", "touched");
    addPair("ecdsa_open", "untouched");
    addPair("rsa_open", "removed");
    addPair("ecdsa_locked", "lone", false);
    ScanResult first = scan();
    ASSERT_EQ(first.keys.size(), 4u);
    ASSERT_EQ(toolRuns(), 7u) << "no probe without a private file";
    for (std::size_t i = 0; i < first.keys.size(); ++i) {
        if (first.keys[i].name != "lone")
            continue;
        EXPECT_EQ(first.keys[i].hasPassphrase, std::nullopt);
        EXPECT_EQ(first.keys[i].fingerprint, printedFingerprint(dir.file("lone.pub")));
        EXPECT_EQ(first.cache[i].privMtime, std::nullopt);
        EXPECT_EQ(first.cache[i].privSize, std::nullopt);
        EXPECT_EQ(first.cache[i].hasPassphrase, std::nullopt);
    }
    EXPECT_EQ(scan(first.cache), first);
    EXPECT_EQ(toolRuns(), 7u) << "the second scan starts no process";

    struct stat attributes {};
    ASSERT_EQ(::stat(dir.file("touched").c_str(), &attributes), 0);
    const timespec times[2] = {{0, UTIME_OMIT},
                               {attributes.st_mtim.tv_sec + 5, attributes.st_mtim.tv_nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("touched").c_str(), times, 0), 0);
    fs::remove(dir.file("removed.pub"));
    ScanResult second = scan(first.cache);

    auto runs = fileLines(log);
    ASSERT_EQ(runs.size(), 9u);
    std::sort(runs.begin() + 7, runs.end());
    EXPECT_THAT(std::vector(runs.begin() + 7, runs.end()),
                ElementsAre("-lf " + dir.file("touched.pub"), "-y -P  -f " + dir.file("touched")));
    ASSERT_EQ(second.keys.size(), 3u);
    for (const SSHKey& key : second.keys)
        EXPECT_NE(key.name, "removed");
    EXPECT_EQ(second.cache.size(), 3u);
}

TEST(KeyTypeTest, ComesFromThePrefixOfTheFirstPiece) {
    const std::pair<const char*, const char*> cases[] = {
        {"ssh-ed25519 AAAAC3Nza me@host", "ed25519"},
        {"ssh-rsa AAAAB3 me", "rsa"},
        {"ssh-rsa-cert-v01@openssh.com AAAA", "rsa"},
        {"ecdsa-sha2-nistp256 AAAAE2", "ecdsa"},
        {"ssh-dss AAAAB3", "dsa"},
        {" \t\nssh-ed25519 AAAA", "ed25519"},
        {"sk-ssh-ed25519@openssh.com AAAA", "unknown"},
        {"SSH-RSA AAAA", "unknown"},
        {"", "unknown"}};
    for (const auto& [publicKey, type] : cases)
        EXPECT_EQ(KeyScanner::keyType(publicKey), type) << publicKey;
}

TEST(UtcDateTest, IsTheUtcCalendarDateWhateverTheLocalZone) {
    {
        const ScopedEnv zone("TZ", "EET-2"); // two hours east of UTC
        ::tzset();
        EXPECT_EQ(keys::utcDate(0), "1970-01-01");
        EXPECT_EQ(keys::utcDate(1709332200), "2024-03-01"); // 00:30 on 2 March local time
        EXPECT_EQ(keys::utcDate(1709164800.5), "2024-02-29");
        EXPECT_EQ(keys::utcDate(-0.5), "1969-12-31");
    }
    ::tzset();
}

} // namespace
} // namespace moorkeep::test
