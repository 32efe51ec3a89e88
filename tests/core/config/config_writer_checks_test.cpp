#include "config/config_writer.h"
#include "record_builders.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace moorkeep {
namespace {

const KeyIdToPath keyPaths{{"key-ok", "~/.ssh/id_ed25519"}, {"key-bad", "~/.ssh/id\nHost *"}};

const SSHHost goodHost = test::host("web")
                             .hostname("web.example.com")
                             .user("deploy")
                             .port(2222)
                             .keyId("key-ok")
                             .proxyJump("bastion")
                             .extraOptions(OptionMap{{"ServerAliveInterval", "30"}});

struct RefusalCase {
    std::string name;
    std::function<void(SSHHost&)> spoil;
    std::string message;
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class HostRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(HostRefusal, NamesTheFieldAndNotItsValue) {
    SSHHost host = goodHost;
    GetParam().spoil(host);
    try {
        ConfigWriter::checkWritable(host, keyPaths);
        FAIL() << "accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

const std::string breakMessage = " must not contain a line break or a NUL character.";

INSTANTIATE_TEST_SUITE_P(
    Fields, HostRefusal,
    testing::Values(
        RefusalCase{"EmptyAlias", [](SSHHost& h) { h.alias.clear(); },
                    "The alias must not be empty."},
        RefusalCase{"AliasWithLineFeed", [](SSHHost& h) { h.alias = "web\nHost *"; },
                    "The alias" + breakMessage},
        RefusalCase{"HostnameWithCarriageReturn", [](SSHHost& h) { h.hostname = "a\rb"; },
                    "The host name" + breakMessage},
        RefusalCase{"UserWithNul", [](SSHHost& h) { h.user = std::string("a\0b", 3); },
                    "The user" + breakMessage},
        RefusalCase{"JumpHostWithLineFeed", [](SSHHost& h) { h.proxyJump = "j\n"; },
                    "The jump host" + breakMessage},
        RefusalCase{"KeyPathWithLineFeed", [](SSHHost& h) { h.keyId = "key-bad"; },
                    "The key path" + breakMessage},
        RefusalCase{"OptionValueWithLineFeed",
                    [](SSHHost& h) { h.extraOptions["Compression"] = "yes\nUser root"; },
                    "The value of the option Compression" + breakMessage},
        RefusalCase{"OptionNameWithLineFeed",
                    [](SSHHost& h) { h.extraOptions["Compression\nUser"] = "yes"; },
                    "An option name" + breakMessage},
        RefusalCase{"EmptyOptionName", [](SSHHost& h) { h.extraOptions[""] = "yes"; },
                    "An option name must not be empty."},
        RefusalCase{"OptionNameWithSpace", [](SSHHost& h) { h.extraOptions["Send Env"] = "A"; },
                    "An option name must be a single word, without spaces or \"=\"."},
        RefusalCase{"OptionNameWithEquals", [](SSHHost& h) { h.extraOptions["SendEnv=A"] = "B"; },
                    "An option name must be a single word, without spaces or \"=\"."},
        RefusalCase{"OptionNamedHost", [](SSHHost& h) { h.extraOptions["host"] = "other"; },
                    "\"host\" cannot be an extra option: it would start a new block."},
        RefusalCase{"OptionNamedMatch", [](SSHHost& h) { h.extraOptions["MATCH"] = "all"; },
                    "\"MATCH\" cannot be an extra option: it would start a new block."}),
    [](const auto& info) { return info.param.name; });

TEST(CheckWritable, AcceptsOrdinaryValues) {
    SSHHost host = goodHost;
    host.alias = "web web2";
    host.extraOptions["LocalForward"] = "8080 db:80";
    host.extraOptions["HostKeyAlias"] = "caf\xc3\xa9";
    EXPECT_NO_THROW(ConfigWriter::checkWritable(host, keyPaths));
    // A key that is not written cannot spoil the file.
    host.keyId = "key-unknown";
    EXPECT_NO_THROW(ConfigWriter::checkWritable(host, keyPaths));
}

TEST(CheckWritable, RefusesBrokenDefaults) {
    EXPECT_NO_THROW(ConfigWriter::checkWritable(
        test::defaults().user("admin").keyId("key-ok").proxyJump("j"), keyPaths));
    EXPECT_THROW(ConfigWriter::checkWritable(test::defaults().user("a\nb"), keyPaths),
                 std::invalid_argument);
    EXPECT_THROW(ConfigWriter::checkWritable(test::defaults().keyId("key-bad"), keyPaths),
                 std::invalid_argument);
    EXPECT_THROW(
        ConfigWriter::checkWritable(test::defaults().proxyJump(std::string(1, '\0')), keyPaths),
        std::invalid_argument);
    EXPECT_THROW(ConfigWriter::checkWritable(test::defaults().extraOptions(OptionMap{{"A B", "1"}}),
                                             keyPaths),
                 std::invalid_argument);
    EXPECT_THROW(ConfigWriter::checkWritable(test::defaults().extraOptions(OptionMap{{"A", "1\r"}}),
                                             keyPaths),
                 std::invalid_argument);
}

} // namespace
} // namespace moorkeep
