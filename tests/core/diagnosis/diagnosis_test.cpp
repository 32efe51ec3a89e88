#include "diagnosis/diagnosis.h"
#include "keys/key_scanner.h"
#include "support/key_files.h"
#include "support/store_home.h"

#include <algorithm>
#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

using ::testing::UnorderedElementsAreArray;

class DiagnosisTest : public StoreHome {
protected:
    // Each finding as "code file:line", the file by its name.
    std::vector<std::string> found(const Diagnosis& diagnosis) const {
        std::vector<std::string> out;
        for (const Finding& f : diagnosis.findings)
            out.push_back(f.code + " " + f.path.substr(f.path.rfind('/') + 1) + ":" +
                          std::to_string(f.line));
        return out;
    }
    // "@" in a text stands for the .ssh folder.
    std::string placed(std::string text) const {
        for (std::size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 1, ssh(""));
        return text;
    }
};

// Each kind of finding from one small configuration (and a file it
// includes), with nothing reported for what is fine: IgnoreUnknown is
// honoured, wildcard and Match blocks are not judged as never applying.
TEST_F(DiagnosisTest, ReportsEachKindAtItsLineAndNothingForWhatIsFine) {
    struct Case {
        std::string config;
        std::string inner; // the text of "inner", when there is one
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"Host web\n  HostName w.example\n  Port 2222\nHost *.lab\n  User me\nHost *\n"
         "  User me\n",
         "",
         {}},
        {"IgnoreUnknown UseKeychain\nHost a\n  UseKeychain yes\n  Usr bob\n",
         "",
         {"bad-option config:4", "refused config:0"}},
        {"Host web\n  IdentityFile ~/.ssh/nope\n  CertificateFile @nope-cert.pub\n"
         "  Include nothing-*\n  IdentityFile %d/.ssh/id_%h\n",
         "",
         {"missing-identity-file config:2", "missing-certificate-file config:3",
          "missing-include config:4"}},
        {"Host web\n  Port 1\nHost web\n  Port 2\nHost *\n  User x\nHost db\n  User y\n"
         "Host !db\n  Port 3\nHost mail\n  User z\n  IdentityFile ~/.ssh/none\n",
         "",
         {"duplicate-alias-shadowed config:3", "block-never-applies config:7",
          "block-never-applies config:9", "missing-identity-file config:13"}},
        {"Match originalhost db-*\n  Include @inner\nMatch exec \"true\"\n  Port 9\n",
         "Host web\n  Port 5\nHost db-1\n  Port 6\n",
         {"never-read inner:1", "match-not-judged config:3"}},
        {"Host old\n  UsePrivilegedPort yes\n  RSAAuthentication no\n",
         "",
         {"deprecated-option config:2", "unsupported-option config:3"}},
    };
    SystemVaultStore store(onHome());
    for (const Case& c : cases) {
        writeConfig(placed(c.config));
        if (!c.inner.empty())
            writeFile(ssh("inner"), c.inner);
        EXPECT_THAT(found(store.diagnose()), UnorderedElementsAreArray(c.expected)) << c.config;
        EXPECT_EQ(store.refusal().has_value(), c.config.find("Usr") != std::string::npos);
    }
    writeConfig("Host web\n  Port 1\n  IdentityFile ~/.ssh/gone\nHost db\n  Usr x\n");
    const Diagnosis diagnosis = store.diagnose();
    ASSERT_EQ(diagnosis.aboutHost("web").size(), 1u);
    EXPECT_EQ(diagnosis.aboutHost("web")[0].code, "missing-identity-file");
    EXPECT_EQ(refusalSentence(*diagnosis.refusal()),
              "OpenSSH refuses ~/.ssh/config: line 5: Bad configuration option: usr. ssh cannot "
              "connect to any host until this is fixed.");

    // A file that is no plain file is never handed to ssh, which would wait
    // on it until its time ran out.
    ASSERT_EQ(::mkfifo(ssh("pipe").c_str(), 0600), 0);
    writeConfig(placed("Include @pipe\nHost web\n"));
    EXPECT_THAT(found(store.diagnose()),
                UnorderedElementsAreArray(std::vector<std::string>{"not-checked pipe:0"}));
}

// Keys OpenSSH refuses or soon will, certificates it offers in vain, and
// private keys without their public file: an unprotected one can be mended.
TEST_F(DiagnosisTest, WeakAndLoneKeysAndCertificatesOutOfTheirTime) {
    writeConfig("Host web\n  HostName w.example\n");
    ASSERT_EQ(
        std::system(("/usr/bin/ssh-keygen -q -t rsa -b 1024 -N '' -f " + ssh("id_rsa")).c_str()),
        0);
    makeKeyPair(ssh("id_ed25519"));
    makeKeyPair(ssh("ca"));
    makeKeyPair(ssh("id_ecdsa"), "ecdsa");
    for (const auto& [key, validity] :
         {std::pair{"id_ed25519", "20200101:20200102"}, std::pair{"id_ecdsa", "+3650d:+3651d"}})
        ASSERT_EQ(std::system(("/usr/bin/ssh-keygen -q -s " + ssh("ca") + " -I me -n me -V " +
                               validity + " " + ssh(std::string(key) + ".pub"))
                                  .c_str()),
                  0);
    makeKeyPair(ssh("lone"));
    makeKeyPair(ssh("locked"), "ed25519", "secret words");
    std::remove(ssh("lone.pub").c_str());
    std::remove(ssh("locked.pub").c_str());
    SystemVaultStore store(onHome());
    const Diagnosis diagnosis = store.diagnose();
    EXPECT_THAT(found(diagnosis),
                UnorderedElementsAreArray(std::vector<std::string>{
                    "weak-key id_rsa:0", "certificate-expired id_ed25519-cert.pub:0",
                    "certificate-not-yet-valid id_ecdsa-cert.pub:0", "public-key-missing lone:0",
                    "public-key-missing locked:0"}));
    for (const Finding& finding : diagnosis.findings)
        if (finding.code == "public-key-missing") {
            const bool lone = finding.file == "~/.ssh/lone";
            ASSERT_EQ(finding.fix.has_value(), lone) << finding.file;
            if (!lone)
                continue;
            EXPECT_EQ(finding.fix->keyId, KeyScanner::keyId(ssh("lone")));
            EXPECT_EQ(fixCommand(*finding.fix, finding.file), "moorkeepctl key recreate-pub lone");
        }
}

// Owners and modes ssh minds, each with the fix that sets the owner-only mode
// and leaves the bytes alone; once fixed, nothing is left to report.
TEST_F(DiagnosisTest, PermissionsAreFoundAndFixedWithoutChangingBytes) {
    writeConfig(placed("Include @inner\nHost web\n  IdentityFile ~/.ssh/id_ed25519\n"));
    writeFile(ssh("inner"), "Host db\n  Port 2\n");
    makeKeyPair(ssh("id_ed25519"));
    ::chmod(ssh("inner").c_str(), 0664);
    ::chmod(ssh("id_ed25519").c_str(), 0640);
    ::chmod(ssh("").c_str(), 0775);
    SystemVaultStore store(onHome());
    const Diagnosis diagnosis = store.diagnose();
    EXPECT_THAT(found(diagnosis), UnorderedElementsAreArray({"config-permissions inner:0",
                                                             "key-permissions id_ed25519:0",
                                                             "folder-permissions .ssh:0"}));
    EXPECT_EQ(diagnosis.refusal()->message, "Bad owner or permissions on " + ssh("inner"));
    const std::string key = readFile(ssh("id_ed25519"));
    for (const Finding& finding : diagnosis.findings)
        if (finding.fix)
            store.applyFix(*finding.fix);
    EXPECT_EQ(modeOf(ssh("inner")), 0600u);
    EXPECT_EQ(modeOf(ssh("id_ed25519")), 0600u);
    EXPECT_EQ(modeOf(ssh("")), 0700u);
    EXPECT_EQ(readFile(ssh("id_ed25519")), key);
    EXPECT_EQ(found(store.diagnose()), std::vector<std::string>{});
}

// ssh's verdict is kept while ssh and every file and folder its reading met
// stay as they were: a second read asks no ssh, a change of an included file
// or of a file's mode is seen at once.
TEST_F(DiagnosisTest, KeptVerdictServesUntilAFileItReadChanges) {
    const std::string counter = home.file("asked"), fakeSsh = home.file("ssh");
    writeFile(fakeSsh,
              "#!/bin/sh\necho >>" + counter + "\nexec " + OpenSSHCheck::sshPath + " \"$@\"\n");
    ::chmod(fakeSsh.c_str(), 0700);
    writeConfig(placed("Include @inner\nHost web\n  Port 1\n"));
    writeFile(ssh("inner"), "Host db\n  Usr x\n");
    SystemVaultStore store(onHome(keyToolPath, fakeSsh));
    auto asked = [&] { return std::ranges::count(readFile(counter), '\n'); };
    ASSERT_TRUE(store.refusal());
    EXPECT_EQ(store.refusal()->message, "Bad configuration option: usr");
    EXPECT_EQ(asked(), 1);
    writeFile(ssh("inner"), "Host db\n  User x\n");
    EXPECT_FALSE(store.refusal());
    EXPECT_FALSE(store.refusal());
    EXPECT_EQ(asked(), 2);
    ::chmod(ssh("inner").c_str(), 0666);
    ASSERT_TRUE(store.refusal());
    EXPECT_EQ(store.refusal()->message, "Bad owner or permissions on " + ssh("inner"));
}

} // namespace
} // namespace moorkeep::test
