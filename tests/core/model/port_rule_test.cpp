#include "model/port_rule.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

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
