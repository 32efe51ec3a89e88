#include "config/config_writer.h"
#include "record_builders.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

const KeyIdToPath keyPaths{{"key-ed", "~/.ssh/id_ed25519"}};

struct UpdateCase {
    std::string name;
    std::string before;
    SSHHost host;
    std::optional<std::string> originalAlias;
    std::string expected;
    friend void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }
};

class UpdateHostBlock : public testing::TestWithParam<UpdateCase> {};

TEST_P(UpdateHostBlock, RewritesOnlyTheBlock) {
    const UpdateCase& c = GetParam();
    EXPECT_EQ(ConfigWriter::updateHostBlock(c.before, c.host, c.originalAlias, {}, keyPaths),
              c.expected);
    EXPECT_EQ(ConfigWriter::hasHostBlock(c.before, c.originalAlias.value_or(c.host.alias)),
              c.before != c.expected);
}

const SSHHost web = test::host("web").hostname("web.example.com").user("deploy");

INSTANTIATE_TEST_SUITE_P(
    Texts, UpdateHostBlock,
    testing::Values(
        UpdateCase{"RenameInPlace", "Host a\n  User x\n\nHost old\n  User y\n\nHost c\n  Port 1\n",
                   test::host("new").hostname("n.example.com"), "old",
                   "Host a\n  User x\n\nHost new\n  HostName n.example.com\n\nHost c\n  Port 1\n"},
        UpdateCase{"TabIndentationKept", "Host web\n\tHostName old\n\tUser x\n", web, std::nullopt,
                   "Host web\n\tHostName web.example.com\n\tUser deploy\n"},
        UpdateCase{"IndentationFromFirstIndentedLine",
                   "Host web\nUser x\n\n    \n    # note\n  Port 2\n", web, std::nullopt,
                   "Host web\n    HostName web.example.com\n    User deploy\n"},
        UpdateCase{"HeaderOnlyBlockGetsTwoSpaces", "Host web\nHost b\n", web, std::nullopt,
                   "Host web\n  HostName web.example.com\n  User deploy\nHost b\n"},
        UpdateCase{"CommentsInsideDroppedTrailingKept",
                   "Host web\n  User x\n  # inside\n  Port 2\n  # after\n\n# before b\nHost b\n",
                   web, std::nullopt,
                   "Host web\n  HostName web.example.com\n  User deploy\n  # after\n\n"
                   "# before b\nHost b\n"},
        UpdateCase{"IncludeInsideBlockDropped", "Host web\n  Include ~/.ssh/extra\n  User x\n", web,
                   std::nullopt, "Host web\n  HostName web.example.com\n  User deploy\n"},
        UpdateCase{"BlockEndsAtMatch", "Host web\n  User x\nMatch host y\n  User z\n", web,
                   std::nullopt,
                   "Host web\n  HostName web.example.com\n  User deploy\nMatch host y\n  User z\n"},
        UpdateCase{"HeaderReplacedWhole", "  HOST   web  \n  User x\n", web, std::nullopt,
                   "Host web\n  HostName web.example.com\n  User deploy\n"},
        UpdateCase{"FirstOfTwoBlocks", "Host web\n  User x\nHost web\n  User y\n", web,
                   std::nullopt,
                   "Host web\n  HostName web.example.com\n  User deploy\nHost web\n  User y\n"},
        UpdateCase{"WithoutFinalLineFeed", "Host a\n\nHost web\n  User x", web, std::nullopt,
                   "Host a\n\nHost web\n  HostName web.example.com\n  User deploy"},
        UpdateCase{"HostWithNothingToWrite", "# top\nHost web\n  User x\n# end\n",
                   test::host("web").hostname("web"), std::nullopt, "# top\nHost web\n# end\n"},
        UpdateCase{"TwoPatternHeaderMatchesOnlyBoth", "Host web  web2\n  User x\n",
                   test::host("web  web2"), std::nullopt, "Host web  web2\n"},
        UpdateCase{"CrLfText", "# top\r\nHost web\r\n  User x\r\n\r\nHost b\r\n", web, std::nullopt,
                   "# top\r\nHost web\r\n  HostName web.example.com\r\n  User deploy\r\n\r\n"
                   "Host b\r\n"},
        UpdateCase{"CrLfTextWithoutFinalLineEnd", "Host web\r\n  User x", web, std::nullopt,
                   "Host web\r\n  HostName web.example.com\r\n  User deploy"},
        UpdateCase{"HeaderJoinedWithEquals", "Host=web\n  User x\n", web, std::nullopt,
                   "Host=web\n  User x\n"},
        UpdateCase{"PatternIsCaseSensitive", "Host Web\n  User x\n", web, std::nullopt,
                   "Host Web\n  User x\n"},
        UpdateCase{"OnlyOneOfTwoPatterns", "Host web web2\n  User x\n", web, std::nullopt,
                   "Host web web2\n  User x\n"},
        UpdateCase{"HostLivesInIncludedFile", "Include ~/.ssh/config.d/*\n\nHost other\n", web,
                   std::nullopt, "Include ~/.ssh/config.d/*\n\nHost other\n"},
        UpdateCase{"HostnameLineIsNoHeader", "Host a\n  HostName web\n", web, std::nullopt,
                   "Host a\n  HostName web\n"},
        UpdateCase{"RenameLooksForTheOldAlias", "Host web\n  User x\n", web, "old",
                   "Host web\n  User x\n"}),
    [](const auto& info) { return info.param.name; });

TEST(UpdateHostBlock, WritesOnlyValuesThatDifferFromTheDefaults) {
    const Defaults defaults = test::defaults().user("admin").port(2222).keyId("key-ed");
    const SSHHost host = test::host("web").user("admin").port(22).keyId("key-ed");
    EXPECT_EQ(ConfigWriter::updateHostBlock("Host web\n  User root\n  Port 22\n", host,
                                            std::nullopt, defaults, keyPaths),
              "Host web\n");
}

} // namespace
} // namespace moorkeep
