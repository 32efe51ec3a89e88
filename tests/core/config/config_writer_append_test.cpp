#include "config/config_writer.h"
#include "record_builders.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

const KeyIdToPath keyPaths{{"key-ed", "~/.ssh/id_ed25519"}, {"key-rsa", "~/.ssh/id_rsa"}};

struct SeparatorCase {
    std::string name;
    std::string before;
    std::string expected;
    friend void PrintTo(const SeparatorCase& c, std::ostream* os) { *os << c.name; }
};

class AppendSeparator : public testing::TestWithParam<SeparatorCase> {};

TEST_P(AppendSeparator, LeavesExactlyOneBlankLineBeforeTheNewBlock) {
    const SSHHost host = test::host("web").hostname("web.example.com");
    EXPECT_EQ(ConfigWriter::appendHostBlock(GetParam().before, host, {}, keyPaths),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AppendSeparator,
    testing::Values(SeparatorCase{"Empty", "", "Host web\n  HostName web.example.com\n"},
                    SeparatorCase{"NoFinalLineFeed", "Host a\n  User x",
                                  "Host a\n  User x\n\nHost web\n  HostName web.example.com\n"},
                    SeparatorCase{"OneLineFeed", "Host a\n",
                                  "Host a\n\nHost web\n  HostName web.example.com\n"},
                    SeparatorCase{"BlankLineAtEnd", "Host a\n\n",
                                  "Host a\n\nHost web\n  HostName web.example.com\n"},
                    SeparatorCase{"SeveralBlankLines", "# x\n\n\n",
                                  "# x\n\n\nHost web\n  HostName web.example.com\n"},
                    SeparatorCase{"CrLfText", "Host a\r\n",
                                  "Host a\r\n\r\nHost web\r\n  HostName web.example.com\r\n"},
                    SeparatorCase{"CrLfTextWithBlankLine", "Host a\r\n\r\n",
                                  "Host a\r\n\r\nHost web\r\n  HostName web.example.com\r\n"},
                    SeparatorCase{
                        "CrLfTextWithoutFinalLineEnd", "# a\r\nHost a",
                        "# a\r\nHost a\r\n\r\nHost web\r\n  HostName web.example.com\r\n"}),
    [](const auto& info) { return info.param.name; });

struct BodyCase {
    std::string name;
    SSHHost host;
    Defaults defaults;
    std::string expected;
    friend void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }
};

class HostBody : public testing::TestWithParam<BodyCase> {};

TEST_P(HostBody, WritesOnlyWhatTheDefaultsDoNotGive) {
    EXPECT_EQ(ConfigWriter::appendHostBlock("", GetParam().host, GetParam().defaults, keyPaths),
              GetParam().expected);
}

const Defaults someDefaults =
    test::defaults().user("admin").port(2222).keyId("key-rsa").proxyJump("bastion").extraOptions(
        OptionMap{{"Compression", "yes"}});

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostBody,
    testing::Values(
        BodyCase{"EqualToDefaultsIsHeaderOnly",
                 test::host("web")
                     .hostname("web")
                     .user("admin")
                     .port(2222)
                     .keyId("key-rsa")
                     .proxyJump("bastion")
                     .extraOptions(OptionMap{{"Compression", "yes"}}),
                 someDefaults, "Host web\n"},
        BodyCase{"EverythingInOrder",
                 test::host("web")
                     .hostname("10.0.0.5")
                     .user("deploy")
                     .port(2200)
                     .keyId("key-ed")
                     .proxyJump("jump")
                     .extraOptions(OptionMap{{"b", "2"}, {"A", "1"}, {"Compression", "no"}}),
                 someDefaults,
                 "Host web\n  HostName 10.0.0.5\n  User deploy\n  Port 2200\n"
                 "  IdentityFile ~/.ssh/id_ed25519\n  ProxyJump jump\n  A 1\n"
                 "  Compression no\n  b 2\n"},
        BodyCase{"Port22WhileDefaultsSayOtherwise", test::host("web").port(22),
                 test::defaults().port(2222), "Host web\n"},
        BodyCase{"PortWithoutDefaults", test::host("web").port(2222), Defaults{},
                 "Host web\n  Port 2222\n"},
        BodyCase{"KeyUnknownToTheMap", test::host("web").keyId("key-gone"), Defaults{},
                 "Host web\n"},
        BodyCase{"EmptyKeyAndJumpHost", test::host("web").keyId("").proxyJump(""), Defaults{},
                 "Host web\n"},
        BodyCase{"JumpHostWithoutDefaultOne", test::host("web").proxyJump("bastion"), Defaults{},
                 "Host web\n  ProxyJump bastion\n"},
        BodyCase{"ValuesWrittenAsTheyAre",
                 test::host("web web2")
                     .user("a b")
                     .extraOptions(OptionMap{{"LocalForward", "8080 \"db:80\""}}),
                 Defaults{}, "Host web web2\n  User a b\n  LocalForward 8080 \"db:80\"\n"},
        BodyCase{"OptionKeysInCodePointOrder",
                 test::host("web").extraOptions(OptionMap{
                     {"\xc3\x84x", "1"}, {"zeta", "2"}, {"Zeta", "3"}}),
                 Defaults{}, "Host web\n  Zeta 3\n  zeta 2\n  \xc3\x84x 1\n"}),
    [](const auto& info) { return info.param.name; });

TEST(AppendDefaultsBlock, AppendsAWildcardBlockWithTwoSpaceIndentation) {
    const Defaults defaults =
        test::defaults().user("admin").port(2222).keyId("key-ed").proxyJump("bastion").extraOptions(
            OptionMap{{"b", "2"}, {"A", "1"}});
    EXPECT_EQ(ConfigWriter::appendDefaultsBlock("Host web\n\tUser x", defaults, keyPaths),
              "Host web\n\tUser x\n\nHost *\n  User admin\n  Port 2222\n"
              "  IdentityFile ~/.ssh/id_ed25519\n  ProxyJump bastion\n  A 1\n  b 2\n");
}

TEST(AppendDefaultsBlock, NoDefaultsGiveTheHeaderAlone) {
    EXPECT_EQ(ConfigWriter::appendDefaultsBlock("", Defaults{}, keyPaths), "Host *\n");
}

} // namespace
} // namespace moorkeep
