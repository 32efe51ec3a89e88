#include "model/input_rules.h"
#include "model/port_rule.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace moorkeep {
namespace {

// The two readings of a port: the configuration's (22 for anything that is
// not a whole signed integer, no range check) and a dialog field's (empty
// is 22, anything else plain digits from 1 to 65535). Each row gives what
// the configuration makes of the text.
TEST(PortRuleTest, EachReadingOfAPort) {
    const std::pair<std::string, std::int64_t> fieldTakes[] = {
        {"", 22}, {"2222", 2222}, {"1", 1}, {"65535", 65535}, {"022", 22}};
    const std::pair<std::string, std::int64_t> fieldRefuses[] = {
        {"0", 0},      {"000000", 0}, {"65536", 65536}, {"-22", -22}, {"+2222", 2222},
        {" 2222", 22}, {"2222 ", 22}, {"22 22", 22},    {"22a", 22},  {"ssh", 22},
        {"+", 22},     {"-", 22},     {"+-5", 22},      {"0x50", 22}, {"9223372036854775808", 22}};
    for (const auto& [text, port] : fieldTakes) {
        EXPECT_EQ(InputRules::portFromText(text), port) << text;
        EXPECT_EQ(portFromField(text), port) << text;
        EXPECT_EQ(portProblem(text), std::nullopt) << text;
    }
    for (const auto& [text, port] : fieldRefuses) {
        EXPECT_EQ(InputRules::portFromText(text), port) << text;
        EXPECT_EQ(portFromField(text), std::nullopt) << text;
        EXPECT_EQ(portProblem(text), "Port must be a number from 1 to 65535.") << text;
    }
    EXPECT_EQ(InputRules::portFromText("9223372036854775807"), INT64_MAX);
}

} // namespace
} // namespace moorkeep
