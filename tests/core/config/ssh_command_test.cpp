#include "config/ssh_command.h"
#include "record_builders.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

struct CommandCase {
    std::string name;
    SSHHost host;
    std::string expected;
    friend void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }
};

class SSHCommandBuild : public testing::TestWithParam<CommandCase> {};

TEST_P(SSHCommandBuild, SpellsOutOnlyUserHosts) {
    EXPECT_EQ(SSHCommand::build(GetParam().host), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, SSHCommandBuild,
    testing::Values(
        CommandCase{"ConfigHostByAlias",
                    test::host("web")
                        .hostname("10.0.0.5")
                        .user("deploy")
                        .port(2222)
                        .keyId("k")
                        .proxyJump("j")
                        .extraOptions(OptionMap{{"A", "1"}})
                        .source(HostSource::config),
                    "ssh web"},
        CommandCase{
            "UserHostDefaultPort",
            test::host("db").hostname("db1").user("deploy").port(22).source(HostSource::user),
            "ssh deploy@db1"},
        CommandCase{"UserHostOtherPort",
                    test::host("db")
                        .hostname("db1")
                        .user("deploy")
                        .port(2222)
                        .keyId("k")
                        .proxyJump("j")
                        .source(HostSource::user),
                    "ssh deploy@db1 -p 2222"},
        CommandCase{"UserHostWithoutUser",
                    test::host("db").hostname("db1").source(HostSource::user), "ssh db1"},
        CommandCase{"UserHostWithNothing", test::host("db").source(HostSource::user), "ssh "},
        CommandCase{"UserHostWithNothingButPort", test::host("db").port(0).source(HostSource::user),
                    "ssh  -p 0"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace moorkeep
