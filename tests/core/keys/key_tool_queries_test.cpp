#include "key_test_support.h"
#include "keys/key_tool.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

using test::TempDir;

class KeyQueriesTest : public testing::Test {
protected:
    TempDir dir;

    std::string tool(const std::string& body) { return test::writeScript(dir.file("tool"), body); }
};

TEST_F(KeyQueriesTest, fingerprintOfAFileThatIsNoKeyIsUnknown) {
    test::writeFile(dir.file("notes.pub"), "not a key\n");
    EXPECT_EQ(keyFingerprint(dir.file("notes.pub")), "unknown");
}

TEST_F(KeyQueriesTest, missingToolGivesUnknownAndProtected) {
    EXPECT_EQ(keyFingerprint(dir.file("any.pub"), dir.file("no-such-tool")), "unknown");
    EXPECT_TRUE(probeHasPassphrase(dir.file("any"), dir.file("no-such-tool")));
}

TEST_F(KeyQueriesTest, probeWithoutPrivateFileCountsAsProtected) {
    EXPECT_TRUE(probeHasPassphrase(dir.file("absent")));
}

TEST_F(KeyQueriesTest, probePassesTheEmptyPassphraseAsItsOwnArgument) {
    std::string path = dir.file("key file");
    std::string stand =
        tool("[ $# -eq 5 ] && [ \"$1\" = -y ] && [ \"$2\" = -P ] && [ -z \"$3\" ] &&"
             "[ \"$4\" = -f ] && [ \"$5\" = '" +
             path + "' ]");
    EXPECT_FALSE(probeHasPassphrase(path, stand));
}

struct FingerprintCase {
    const char* name;
    const char* body; // the stand-in tool's script
    const char* fingerprint;
};

class KeyFingerprintOutputTest : public KeyQueriesTest,
                                 public testing::WithParamInterface<FingerprintCase> {};

TEST_P(KeyFingerprintOutputTest, takesTheFirstSha256PieceOfASuccessfulRun) {
    EXPECT_EQ(keyFingerprint(dir.file("k.pub"), tool(GetParam().body)), GetParam().fingerprint);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, KeyFingerprintOutputTest,
    testing::Values(
        FingerprintCase{"typicalLine",
                        "[ \"$1\" = -lf ] && printf '256 SHA256:abc+/= me@host (ED25519)\\n'",
                        "SHA256:abc+/="},
        FingerprintCase{"tabsAndLineBreaks", "printf '\\t2048\\n\\tSHA256:x1\\tSHA256:x2\\n'",
                        "SHA256:x1"},
        FingerprintCase{"noToken", "printf '256 MD5:aa:bb me (ED25519)\\n'", "unknown"},
        FingerprintCase{"tokenInsideAPiece", "printf '256 xSHA256:abc\\n'", "unknown"},
        FingerprintCase{"failedRunWithToken", "printf '256 SHA256:abc\\n'; exit 1", "unknown"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace moorkeep
