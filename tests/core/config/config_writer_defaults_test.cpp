#include "config/config_writer.h"
#include "record_builders.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

const KeyIdToPath keyPaths{{"key-ed", "~/.ssh/id_ed25519"}};

const Defaults someDefaults =
    test::defaults().user("admin").port(2222).keyId("key-ed").proxyJump("bastion").extraOptions(
        OptionMap{{"b", "2"}, {"A", "1"}});

struct DefaultsCase {
    std::string name;
    std::string before;
    Defaults defaults;
    std::string expected;
    friend void PrintTo(const DefaultsCase& c, std::ostream* os) { *os << c.name; }
};

class UpdateDefaultsBlock : public testing::TestWithParam<DefaultsCase> {};

TEST_P(UpdateDefaultsBlock, RewritesTheBodyBelowTheKeptHeader) {
    const DefaultsCase& c = GetParam();
    EXPECT_EQ(ConfigWriter::updateDefaultsBlock(c.before, c.defaults, keyPaths), c.expected);
    EXPECT_EQ(ConfigWriter::hasDefaultsBlock(c.before), c.before != c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UpdateDefaultsBlock,
    testing::Values(
        DefaultsCase{"AllValuesInOrder", "Host web\n\nHost *\n  User x\n", someDefaults,
                     "Host web\n\nHost *\n  User admin\n  Port 2222\n"
                     "  IdentityFile ~/.ssh/id_ed25519\n  ProxyJump bastion\n  A 1\n  b 2\n"},
        DefaultsCase{"OddCaseHeaderKeptWithIndentation", "host   *  \n\tUser x\n# after\n",
                     test::defaults().user("root"), "host   *  \n\tUser root\n# after\n"},
        DefaultsCase{"NoDefaultsLeaveTheHeader", "Host *\n  User x\n  Port 2\n\nHost a\n",
                     Defaults{}, "Host *\n\nHost a\n"},
        DefaultsCase{"HeaderIsTheLastLine", "Host a\nHost *", test::defaults().user("root"),
                     "Host a\nHost *\n  User root"},
        DefaultsCase{"KeyUnknownToTheMap", "Host *\n  User x\n", test::defaults().keyId("key-gone"),
                     "Host *\n"},
        DefaultsCase{"FirstWildcardBlockOnly", "Host *\n  User x\nHost *\n  User y\n",
                     test::defaults().user("z"), "Host *\n  User z\nHost *\n  User y\n"},
        DefaultsCase{"CrLfText", "Host *\r\n  User x\r\n\r\nHost a\r\n", test::defaults().port(2),
                     "Host *\r\n  Port 2\r\n\r\nHost a\r\n"},
        DefaultsCase{"NegatedPatternIsNotTheDefaults", "Host * !bastion\n  User x\n",
                     test::defaults().user("root"), "Host * !bastion\n  User x\n"},
        DefaultsCase{"DomainWildcardIsNotTheDefaults", "Host *.example.com\n  User x\n",
                     test::defaults().user("root"), "Host *.example.com\n  User x\n"},
        DefaultsCase{"NoWildcardBlock", "Host a\n  User x\n", test::defaults().user("root"),
                     "Host a\n  User x\n"},
        DefaultsCase{"HeaderJoinedWithEquals", "Host=*\n  User x\n", test::defaults().user("root"),
                     "Host=*\n  User x\n"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace moorkeep
