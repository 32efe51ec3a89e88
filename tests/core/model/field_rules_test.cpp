#include "model/alias_rule.h"
#include "model/port_rule.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

TEST(AliasRuleTest, OneHostNameOnly) {
    const std::string message = "An alias is one host name: no spaces, no * ? ! , and no leading -";
    for (std::string alias : {"web", "db-1.example.com", "a-", "user@host", "web_2", "x;y", ""})
        EXPECT_EQ(aliasProblem(alias), std::nullopt) << alias;
    for (std::string alias : {"web db", "web\tdb", "*", "web?", "!web", "a,b", "-oProxyCommand=x",
                              "web\u00a0db", " web", "web\n"})
        EXPECT_EQ(aliasProblem(alias), message) << alias;
}

TEST(PortRuleTest, EmptyMeans22AndAnythingElseMustBeAPort) {
    EXPECT_EQ(portFromField(""), 22);
    EXPECT_EQ(portFromField("2222"), 2222);
    EXPECT_EQ(portFromField("1"), 1);
    EXPECT_EQ(portFromField("65535"), 65535);
    EXPECT_EQ(portFromField("022"), 22);
    for (std::string text : {"0", "65536", "-22", "+22", " 22", "2222 ", "22a", "abc",
                             "99999999999999999999999", "000000"}) {
        EXPECT_EQ(portFromField(text), std::nullopt) << text;
        EXPECT_EQ(portProblem(text), "Port must be a number from 1 to 65535.") << text;
    }
    EXPECT_EQ(portProblem(""), std::nullopt);
}

} // namespace
} // namespace moorkeep
