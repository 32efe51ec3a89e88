#include "editing/config_blocks.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "keys/askpass.h"
#include "keys/key_pair_files.h"
#include "metadata/user_meta_store.h"
#include "model/ascii.h"
#include "openssh/scratch_folder.h"
#include "reading/config_parser.h"
#include "reading/config_syntax.h"
#include "support/full_disk.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/ssh_view.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

// Changes of the real files, on a temporary home and with the real ssh: what
// OpenSSH says of a change, what the backups keep of it, what a change of
// several files (a key pair, its name, a configuration and its backup)
// leaves when one step fails, and what files that cannot be read or written
// whole do to reading and changing.
namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::ThrowsMessage;
using testing::UnorderedElementsAre;

// An error the file already has does not excuse a new one, and a host whose
// alias ssh would refuse on its command line is judged by the file alone.
// The check runs nothing a Match exec line names.
TEST_F(GuardedChanges, OpenSSHJudgesTheChangeNotWhatTheFileAlreadyGotWrong) {
    const std::string marker = home.file("ran");
    writeFile(ssh("config"), "Match exec \"touch " + marker + "; sleep 30\"\n  User x\n");
    const auto started = std::chrono::steady_clock::now();
    store.saveHost(host("web", "w"), {});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(fs::exists(marker));
    SSHHost broken = host("web", "w");
    broken.extraOptions = {{"Ciphers", "no-such-cipher"}};
    EXPECT_THROW(store.saveConfigHost(broken, "web", {}), OpenSSHCheck::Rejection);

    writeFile(ssh("config"), "Host web\n  HostName w\n  Bogus yes\n\nHost a\"b\n  HostName h\n");
    const std::string before = config();
    SSHHost changed = host("web", "h");
    changed.extraOptions = {{"Ciphers", "no-such-cipher"}};
    EXPECT_THROW(store.saveConfigHost(changed, "web", {}), OpenSSHCheck::Rejection);
    // A block no name reaches is refused before ssh is asked.
    changed.alias = "a\"b";
    EXPECT_THAT([&] { store.saveConfigHost(changed, "a\"b", {}); },
                ThrowsMessage<FileError>(testing::HasSubstr("takes no such name")));
    EXPECT_EQ(config(), before);
    // The old error alone stays no obstacle.
    store.saveConfigHost(host("web", "w2"), "web", {});
    EXPECT_NE(config().find("HostName w2"), std::string::npos);

    // A stored host keeps its record when ssh refuses the file without its
    // block: a stand-in for ssh acts out a refusal of every text without
    // "Host web", as ssh -G does for a file it rejects.
    SystemVaultStore refusing(onHome(
        keyToolPath, standIn("ssh", "file=$3; grep -q '^Include' \"$file\" && file=$(sed "
                                    "'s/^Include \"//; s/\"$//' \"$file\")\n"
                                    "grep -qx 'Host web' \"$file\" && exit 0\n"
                                    "echo \"$file line 1: Bad configuration option: x\" >&2\n"
                                    "exit 255\n")));
    writeFile(ssh("config"), "Host web\n  HostName w\n");
    UserMeta meta;
    meta.hosts = {host("web", "stored", "", 22, {}, {}, {}, HostSource::user, "H1")};
    UserMetaStore(metaPath()).save(meta);
    const std::string storedMeta = readFile(metaPath());
    EXPECT_THROW(refusing.deleteHost("H1", {}), OpenSSHCheck::Rejection);
    EXPECT_EQ(readFile(metaPath()), storedMeta);
    EXPECT_EQ(config(), "Host web\n  HostName w\n");
}

// Without ssh, or with an include ssh would read for ever, a change goes
// ahead unchecked and says so once.
TEST_F(GuardedChanges, ChangesSshCannotJudgeGoAheadAndSaySo) {
    SystemVaultStore unchecked(onHome(home.file("none/ssh-keygen"), home.file("none/ssh")));
    unchecked.saveHost(host("web", "w"), {});
    EXPECT_NE(config().find("Host web"), std::string::npos);
    const auto notices = unchecked.takeNotices();
    ASSERT_THAT(notices, ElementsAre(HasSubstr("ssh was not found")));
    EXPECT_TRUE(unchecked.takeNotices().empty());
    const auto warnings = unchecked.loadData().warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), notices[0]), 1);

    writeConfig("Host old\n  HostName o\nInclude /proc/self/pagemap\n");
    store.saveConfigHost(host("old", "o2"), "old", {});
    EXPECT_NE(config().find("HostName o2"), std::string::npos);
    EXPECT_THAT(store.takeNotices(), ElementsAre(HasSubstr("/proc/self/pagemap")));
}

// A check started before the change is read judges it as a check started
// with the text does, in the main file and in an included one, naming the
// real file; one started for another host leaves the change to a check of
// its own.
TEST_F(GuardedChanges, AChangeExpectedAheadIsJudgedAsAnyOther) {
    writeConfig("Include conf.d/*\nHost web\n  HostName w\n");
    writeFile(ssh("conf.d/db"), "Host db\n  HostName d\n");
    SSHHost broken = host("web", "w");
    broken.extraOptions = {{"Ciphers", "no-such-cipher"}};
    SSHHost brokenDb = host("db", "d");
    brokenDb.extraOptions = {{"Ciphers", "no-such-cipher"}};
    const std::string before = config();
    for (const char* expected : {"web", "other"}) {
        store.expectChange(expected);
        EXPECT_THAT([&] { store.saveConfigHost(broken, "web", {}); },
                    ThrowsMessage<OpenSSHCheck::Rejection>(
                        testing::AllOf(HasSubstr("~/.ssh/config line 4: Bad SSH2 cipher"),
                                       testing::Not(HasSubstr(OpenSSHCheck::scratchPrefix)))));
    }
    store.expectChange("db");
    EXPECT_THAT([&] { store.saveConfigHost(brokenDb, "db", {}); },
                ThrowsMessage<OpenSSHCheck::Rejection>(
                    testing::AllOf(HasSubstr("~/.ssh/conf.d/db line 3: Bad SSH2 cipher"),
                                   testing::Not(HasSubstr(OpenSSHCheck::scratchPrefix)))));
    EXPECT_EQ(config(), before);

    store.expectChange("web");
    SSHHost changed = host("web", "w2");
    changed.port = 2200;
    store.saveConfigHost(changed, "web", {});
    EXPECT_THAT(config(), HasSubstr("  HostName w2\n  Port 2200\n"));
    EXPECT_TRUE(store.takeNotices().empty());
    EXPECT_THAT(entries(files::temporaryRoot()),
                testing::Not(testing::Contains(testing::StartsWith(OpenSSHCheck::scratchPrefix))));
}

// Another program writes the configuration while each change is checked:
// it appends a block, then saves the file as an editor does, by rename.
// Every change is made on what the file holds then, so nothing it wrote is
// lost; a restore keeps what it replaced in its backup.
TEST_F(GuardedChanges, ChangesKeepWhatAnotherProgramWroteWhileTheyWereChecked) {
    writeConfig("Host base\n  HostName b\n");
    const std::string token = home.file("token");
    SystemVaultStore racing(onHome(
        keyToolPath, standIn("ssh", "token='" + token + "' config='" + ssh("config") + "'\n" + R"(
if [ -e "$token" ]; then
  n=$(cat "$token"); rm "$token"
  printf '\nHost appended-%s\n  HostName a\n' "$n" >> "$config"
  if [ "$n" -lt 50 ]; then
    cp "$config" "$config.new" && printf '\nHost saved-%s\n  HostName s\n' "$n" >> "$config.new" &&
      mv "$config.new" "$config"
  fi
fi
exec /usr/bin/ssh "$@"
)")));
    auto holds = [](const std::string& text, const std::string& line) {
        return text.find(line + "\n") != std::string::npos;
    };
    auto lineOf = [](const std::string& text, const std::string& line) {
        const auto at = text.find(line + "\n");
        return at == std::string::npos ? 0 : 1 + std::count(text.begin(), text.begin() + at, '\n');
    };
    auto others = [](int n) {
        std::vector<std::string> blocks{"Host appended-" + std::to_string(n)};
        if (n < 50)
            blocks.push_back("Host saved-" + std::to_string(n));
        return blocks;
    };
    std::vector<int> inTheFile;
    for (int n = 0; n < 60; ++n) {
        const std::string mine = "mine-" + std::to_string(n / 6);
        const std::string user = "User u" + std::to_string(n / 6);
        writeFile(token, std::to_string(n));
        switch (n % 6) {
        case 0:
            racing.saveHost(host(mine, "a"), {});
            EXPECT_TRUE(holds(config(), "Host " + mine));
            break;
        case 1:
            racing.saveConfigHost(host(mine, "edited"), mine, {});
            EXPECT_TRUE(holds(config(), "  HostName edited"));
            break;
        case 2:
            racing.moveHostBlock(mine, ssh("config"), lineOf(config(), "Host base"));
            EXPECT_LT(lineOf(config(), "Host " + mine), lineOf(config(), "Host base"));
            break;
        case 3:
            racing.saveConfigDefaults(defaults(user.substr(5)), {});
            EXPECT_TRUE(holds(config(), "  " + user));
            break;
        case 4: {
            racing.restoreBackup(racing.backups().list().at(0).id);
            EXPECT_FALSE(holds(config(), "  " + user));
            const auto replaced = racing.backups().read(racing.backups().list().at(0));
            for (const auto& block : others(n))
                EXPECT_TRUE(holds(replaced, block)) << block;
            break;
        }
        case 5:
            racing.deleteConfigHost(host(mine));
            EXPECT_FALSE(holds(config(), "Host " + mine));
            break;
        }
        EXPECT_FALSE(fs::exists(token)) << "the other program did not write during change " << n;
        if (n % 6 != 4)
            inTheFile.push_back(n);
    }
    const std::string final = config();
    for (int n : inTheFile)
        for (const auto& block : others(n))
            EXPECT_TRUE(holds(final, block)) << block;
    EXPECT_EQ(entries(ssh("")), std::vector<std::string>{"config"});

    // A block the other program takes out meanwhile is not written back.
    writeConfig("Host gone\n  HostName g\n\nHost base\n  HostName b\n");
    SystemVaultStore erasing(
        onHome(keyToolPath, standIn("ssh", "printf 'Host base\\n  HostName b\\n' > '" +
                                               ssh("config") + "'\nexec /usr/bin/ssh \"$@\"\n")));
    EXPECT_THAT([&] { erasing.saveConfigHost(host("gone", "g2"), "gone", {}); },
                ThrowsMessage<FileError>(HasSubstr("is no longer in ~/.ssh/config")));
    EXPECT_EQ(config(), "Host base\n  HostName b\n");
}

// Copies of a private key and staging folders an interrupted change left
// go at the next change, once they are older than a change can take.
TEST_F(GuardedChanges, StaleLeftoversAreSweptAndKeyFilesThatAreNotPlainFilesNotProbed) {
    makeKeyPair(ssh("id_work"));
    writeFile(ssh(".id_work.Ab12Cd"), "copy of a private key");
    writeFile(ssh(".moorkeep-new-key.Xy34Zw/half"), "half a key");
    writeFile(ssh(".profile.Ab12Cd"), "not ours: no file .profile");
    writeFile(ssh(".id_work.Fresh1"), "a change running now");
    const utimbuf old{1000000000, 1000000000};
    for (const char* name : {".id_work.Ab12Cd", ".moorkeep-new-key.Xy34Zw", ".profile.Ab12Cd"})
        ::utime(ssh(name).c_str(), &old);
    KeyPairFiles::sweepStale(ssh(""));
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{".id_work.Fresh1", ".profile.Ab12Cd",
                                                          "id_work", "id_work.pub"}));

    // The askpass folder of a run killed outright goes when the next is made.
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    for (const std::string name : {"Ab12Cd", "Fresh1"})
        writeFile(runtime + "/moorkeep-askpass-" + name + "/askpass", "#!/bin/sh\n");
    ::utime((runtime + "/moorkeep-askpass-Ab12Cd").c_str(), &old);
    { const Askpass next("passphrase"); }
    EXPECT_EQ(entries(runtime), std::vector<std::string>{"moorkeep-askpass-Fresh1"});
    fs::remove_all(runtime + "/moorkeep-askpass-Fresh1");

    // Key files that are not plain files are not probed.
    for (const std::string name : {"endless", "device"})
        fs::copy_file(ssh("id_work.pub"), ssh(name + ".pub"));
    fs::create_symlink("/proc/self/pagemap", ssh("endless"));
    fs::create_symlink("/dev/zero", ssh("device"));
    const std::string log = home.file("tool.log");
    SystemVaultStore recorded(onHome(recordingKeyTool(home.file("bin"), log)));
    recorded.loadData();
    for (const auto& line : fileLines(log))
        EXPECT_FALSE(line.starts_with("-y") && (line.find("endless") != std::string::npos ||
                                                line.find("device") != std::string::npos))
            << line;

    // What changes of the configuration left: the new file beside it, the
    // folder of OpenSSH's check, a backup being written.
    writeConfig("Host web\n  HostName w\n");
    const std::string checks = std::getenv("XDG_RUNTIME_DIR");
    for (const std::string name : {"Ab12Cd", "Fresh1"}) {
        writeFile(ssh(".config." + name), "Host half\n");
        writeFile(checks + "/moorkeep-check-" + name + "/config", "Host half\n");
        writeFile(home.file("backups/.backup." + name), "Host half\n");
    }
    for (const std::string& path : {ssh(".config.Ab12Cd"), checks + "/moorkeep-check-Ab12Cd",
                                    home.file("backups/.backup.Ab12Cd")})
        ::utime(path.c_str(), &old);
    store.saveConfigHost(host("web", "w2"), "web", {});
    EXPECT_FALSE(fs::exists(ssh(".config.Ab12Cd")));
    EXPECT_FALSE(fs::exists(checks + "/moorkeep-check-Ab12Cd"));
    EXPECT_FALSE(fs::exists(home.file("backups/.backup.Ab12Cd")));
    for (const std::string& path : {ssh(".config.Fresh1"), checks + "/moorkeep-check-Fresh1",
                                    home.file("backups/.backup.Fresh1")})
        EXPECT_TRUE(fs::exists(path)) << path;
    fs::remove_all(checks + "/moorkeep-check-Fresh1");
}

TEST_F(HostileFiles, LoadingNamesEveryFileItCouldNotUseAndLoadsTheRest) {
    writeFile(ssh("latin1"), "Host caf\xe9\n  User r\xe9my\n");
    writeFile(ssh("config"), "Host web\nInclude latin1\n");
    writeFile(ssh("huge.pub"), "ssh-ed25519 AAAA" + std::string(70 * 1024, 'A') + " huge\n");
    writeFile(metaPath(), std::string(16 * 1024 * 1024 + 1, ' '));

    VaultData data = store.loadData();
    EXPECT_THAT(data.hosts, ElementsAre(testing::Field(&SSHHost::alias, "web")));
    EXPECT_TRUE(data.keys.empty());
    EXPECT_THAT(data.warnings,
                UnorderedElementsAre(HasSubstr(ssh("latin1") + " is not UTF-8"),
                                     HasSubstr(ssh("huge.pub") + " is larger than 64 KiB"),
                                     HasSubstr(metaPath() + " is larger than 16 MiB")));
    // The over-large metadata file is never replaced, not even by the cache.
    EXPECT_EQ(fs::file_size(metaPath()), 16u * 1024 * 1024 + 1);
    EXPECT_THAT([&] { store.saveKeyMeta(namedKey("id", "name")); },
                ThrowsMessage<FileError>(HasSubstr("larger than 16 MiB")));
}

TEST_F(HostileFiles, ABlockInAFileThatCannotBeReadIsNotAddedAgainElsewhere) {
    const std::string main = "Include conf.d/*\nHost web\n  HostName w\n";
    writeFile(ssh("config"), main);
    writeFile(ssh("conf.d/legacy"), "Host *\n  User r\xe9my\nHost old\n  HostName o\n");

    EXPECT_THAT([&] { store.saveConfigDefaults(defaults("admin"), {}); },
                ThrowsMessage<FileError>(HasSubstr("~/.ssh/conf.d/legacy")));
    EXPECT_THAT([&] { store.saveHost(stored("", "old", "o2"), {}); },
                ThrowsMessage<FileError>(HasSubstr("~/.ssh/conf.d/legacy")));
    EXPECT_EQ(config(), main);

    // A host that is not in that file is added as usual.
    store.saveHost(stored("", "new", "n"), {});
    EXPECT_NE(config().find("Host new"), std::string::npos);
}

// An over-large, a read-only configuration and one whose backup cannot be
// made are not replaced.
TEST_F(HostileFiles, AConfigurationThatCannotBeReplacedSafelyIsLeftAsItWas) {
    const std::string big = "Host web\n" + std::string(16 * 1024 * 1024, '\n');
    writeConfig(big);
    EXPECT_THAT([&] { store.saveHost(stored("", "db", "d"), {}); },
                ThrowsMessage<FileError>(HasSubstr("larger than 16 MiB")));
    EXPECT_EQ(fs::file_size(ssh("config")), big.size());
    const auto edit = [&] { store.saveConfigHost(host("web", "w2"), "web", {}); };
    writeConfig("Host web\n  User a\n");
    writeFile(home.file("backups"), "a file where the folder should be");
    EXPECT_THAT(edit, ThrowsMessage<FileError>(HasSubstr("Could not back up")));
    EXPECT_EQ(config(), "Host web\n  User a\n");
    fs::remove(home.file("backups"));
    ::chmod(ssh("config").c_str(), 0444);
    EXPECT_THAT(edit, ThrowsMessage<FileError>(HasSubstr("read-only")));
    EXPECT_EQ(config(), "Host web\n  User a\n");
}

// A full disk changes no file, leaves the backups as they were (only writes
// that happened leave one, and the kept copies all differ), and loses no key
// whose name cannot be dropped.
TEST_F(HostileFiles, AFullDiskChangesNoFile) {
    writeConfig("Host web\n  HostName w0\n");
    for (int i = 1; i <= 3; ++i)
        store.saveConfigHost(host("web", "w" + std::to_string(i)), "web", {});
    ASSERT_EQ(store.backups().list().size(), 3u);
    const std::string main = config();
    makeKeyPair(ssh("id_work"));
    const std::string id = store.loadData().keys.at(0).id;
    store.saveKeyMeta(namedKey(id, "old name"));
    const std::string meta = readFile(metaPath());
    {
        const FullDisk diskFull;
        EXPECT_THROW(store.saveHost(stored("", "db", "d"), {}), FileError);
        EXPECT_THROW(store.saveConfigDefaults(defaults("admin"), {}), FileError);
        for (int i = 0; i < 25; ++i)
            EXPECT_THROW(store.saveConfigHost(host("web", "x"), "web", {}), FileError);
        EXPECT_THROW(store.saveKeyMeta(namedKey(id, "new name")), FileError);
        EXPECT_THROW(store.deleteKeyMeta(id, {}), FileError);
    }
    EXPECT_EQ(config(), main);
    EXPECT_EQ(readFile(metaPath()), meta);
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"config", "id_work", "id_work.pub"}));
    EXPECT_EQ(store.backups().list().size(), 3u);
    // Back and forth: the text with w3 is new history, the one with w2 is
    // not kept twice.
    store.saveConfigHost(host("web", "w2"), "web", {});
    store.saveConfigHost(host("web", "w3"), "web", {});
    EXPECT_EQ(store.backups().list().size(), 4u);
}

TEST_F(HostileFiles, MembersOfANewerVersionSurviveARewrite) {
    makeKeyPair(ssh("id_ed25519"));
    store.loadData(); // writes the key cache
    json file = json::parse(readFile(metaPath()));
    file["futureSettings"] = {{"theme", "dark"}};
    file["keyMeta"] = json::parse(R"([{"id": "k1", "name": "work", "colour": "red"},
                                      {"id": "k2", "name": "gone", "colour": "blue"}])");
    file["hosts"] = json::parse(R"([{"id": "H", "alias": "a", "hostname": "h", "user": "",
        "port": 22, "extraOptions": {}, "source": "user", "tags": ["prod"]}])");
    file["keyCache"][0]["certificate"] = "later";
    writeFile(metaPath(), file.dump(2));

    store.saveKeyMeta(namedKey("k1", "personal"));
    store.deleteKeyMeta("k2", {});
    json saved = json::parse(readFile(metaPath()));
    EXPECT_EQ(saved["futureSettings"]["theme"], "dark");
    EXPECT_EQ(saved["keyMeta"],
              json::parse(R"([{"id": "k1", "name": "personal", "colour": "red"}])"));
    EXPECT_EQ(saved["hosts"][0]["tags"], json({"prod"}));
    EXPECT_EQ(saved["keyCache"][0]["certificate"], "later");
}

// OpenSSH is the judge of every edit: for every host of a configuration that
// holds every kind of line, "ssh -G" before and after an edit differs exactly
// in the edited fields, and every line outside the changed group keeps its
// bytes.
const KeyIdToPath keyPaths{{"K1", "~/.ssh/id_judge"}};

// The destinations of the file's hosts, and the aliases the store knows
// them by.
const std::vector<std::pair<std::string, std::string>> hosts{
    {"prod", "prod"}, {"db", "db"}, {"web", "web web.example.com"}, {"bastion", "bastion"}};

// Every kind of line: comments, a global directive, several IdentityFile,
// LocalForward and SendEnv lines, an Include inside a block, Key=Value and
// odd case, a header joined with "=", a two-pattern host, a pattern block, a
// Match block and the defaults last (OpenSSH takes the first value it
// meets).
std::string generatedConfig(const std::string& included, bool tabs) {
    const std::string in = tabs ? "\t" : "  ";
    return "# judged by OpenSSH\n"
           "ServerAliveCountMax 2\n"
           "\n"
           "Host prod\n" +
           in + "# the production box\n" + in + "HostName prod.example.com\n" + in +
           "IdentityFile ~/.ssh/id_a\n" + in + "IdentityFile ~/.ssh/work/key\n" + in +
           "LocalForward 8080 localhost:80\n" + in + "LocalForward 8443 localhost:443\n" + in +
           "SendEnv LANG\n" + in + "SendEnv LC_*\n" + in + "Include \"" + included + "\"\n" +
           "\n"
           "host=db\n" +
           in + "hostname=db.internal\n" + in + "USER=dbadmin\n" + in + "port = 5022\n" + in +
           "ProxyJump=bastion.example.com\n" +
           "HOST web web.example.com\n"
           "    HostName 10.0.0.5\n"
           "    user\tdeploy\n"
           "    # trailing comment\n"
           "\n"
           "Host bastion\n" +
           in + "HostName bastion.example.com\n" +
           "\n"
           "Host *.corp\n" +
           in + "User corp\n" + "Match host nothing.invalid\n" + in + "User matched\n" +
           "\n"
           "Host *\n" +
           in + "User everyone\n" + in + "Port 2222\n" + in + "ServerAliveInterval 30\n";
}

// The text without the lines whose keyword is this one, in any case.
std::string withoutKeyword(const std::string& text, const std::string& keyword) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto key = config::directiveKeyword(line);
        if (key && equalsIgnoringCase(*key, keyword))
            continue;
        out += line + "\n";
    }
    return out;
}

class OpenSSHJudgeTest : public StoreHome, public ::testing::WithParamInterface<bool> {
protected:
    void reset() const {
        writeFile(ssh("extra.conf"), "Compression yes\n");
        const std::string original = generatedConfig(ssh("extra.conf"), GetParam());
        writeFile(ssh("config"), GetParam() ? withCrLf(original) : original);
    }

    std::map<std::string, SshView> views() const {
        std::map<std::string, SshView> out;
        for (const auto& [destination, alias] : hosts)
            out[destination] = sshView(ssh("config"), destination, home.path());
        return out;
    }

    ParsedConfig parsed() const {
        return ConfigParser::parse(ConfigParser::readLines(ssh("config"), home.path()),
                                   {{ssh("id_judge"), "K1"}}, home.path());
    }

    SSHHost hostRecord(const std::string& alias) const {
        const auto read = parsed().hosts;
        return read.at(std::ranges::find(read, alias, &SSHHost::alias) - read.begin());
    }

    SystemVaultStore store{onHome()};
};

// A host edit changes its keyword for its own host only; a defaults edit
// changes it for some hosts and nothing else for any.
TEST_P(OpenSSHJudgeTest, EditsChangeExactlyTheEditedField) {
    // Each edit changes the group of one keyword, named as ssh -G shows it
    // (in lower case); false when it does not apply to the host.
    const std::pair<std::string, std::function<bool(SSHHost&)>> hostEdits[] = {
        {"port", [](SSHHost& h) { return h.port = 3000, true; }},
        {"user", [](SSHHost& h) { return h.user = "judge", true; }},
        {"hostname", [](SSHHost& h) { return h.hostname = "judge.example.net", true; }},
        {"proxyjump", [](SSHHost& h) { return h.proxyJump = "hop.example.net", true; }},
        {"identityfile", [](SSHHost& h) { return h.keyId = "K1", true; }},
        {"serveraliveinterval",
         [](SSHHost& h) { return h.extraOptions["ServerAliveInterval"] = "99", true; }},
        // An option removed.
        {"sendenv", [](SSHHost& h) { return h.extraOptions.erase("SendEnv") > 0; }},
    };
    const std::pair<std::string, std::function<void(Defaults&)>> defaultsEdits[] = {
        {"user", [](Defaults& d) { d.user = "all"; }},
        {"port", [](Defaults& d) { d.port = 2200; }},
        {"proxyjump", [](Defaults& d) { d.proxyJump = "gw.example"; }},
        {"serveraliveinterval", [](Defaults& d) { d.extraOptions["ServerAliveInterval"] = "45"; }},
    };
    reset();
    const auto before = views();
    // Every line outside the edited group keeps its bytes.
    const auto onlyTheGroupChanged = [&](const std::string& after, const std::string& keyword) {
        reset();
        EXPECT_EQ(withoutKeyword(after, keyword), withoutKeyword(readFile(ssh("config")), keyword));
    };
    for (const auto& [keyword, apply] : hostEdits) {
        for (const auto& [destination, alias] : hosts) {
            SCOPED_TRACE(keyword + " of " + alias);
            reset();
            SSHHost host = hostRecord(alias);
            if (!apply(host))
                continue;
            store.saveConfigHost(host, std::nullopt, keyPaths);
            const std::string after = readFile(ssh("config"));
            for (const auto& [other, view] : views())
                EXPECT_EQ(changedKeywords(before.at(other), view),
                          other == destination ? std::set{keyword} : std::set<std::string>{})
                    << other << "\n"
                    << after;
            EXPECT_EQ(hostRecord(alias), host) << "read back as saved";
            onlyTheGroupChanged(after, keyword);
        }
    }
    for (const auto& [keyword, apply] : defaultsEdits) {
        SCOPED_TRACE(keyword);
        reset();
        Defaults defaults = parsed().defaults;
        apply(defaults);
        store.saveConfigDefaults(defaults, keyPaths);
        const std::string after = readFile(ssh("config"));
        bool someHostChanged = false;
        for (const auto& [destination, view] : views()) {
            const auto changed = changedKeywords(before.at(destination), view);
            EXPECT_TRUE(changed.empty() || changed == std::set{keyword}) << destination << "\n"
                                                                         << after;
            someHostChanged = someHostChanged || !changed.empty();
        }
        EXPECT_TRUE(someHostChanged) << after;
        onlyTheGroupChanged(after, keyword);
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, OpenSSHJudgeTest, ::testing::Values(false, true),
                         [](const auto& row) { return row.param ? "CrLfTabs" : "LfSpaces"; });

} // namespace
} // namespace moorkeep::test
