#include "model/input_rules.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

using namespace InputRules;

struct TextCase {
    std::string name;
    std::string text;
    bool expected;
};

std::string caseName(const testing::TestParamInfo<TextCase>& info) {
    return info.param.name;
}

class KeyFileNameRuleTest : public testing::TestWithParam<TextCase> {};

TEST_P(KeyFileNameRuleTest, AcceptsLettersNumbersDashesAndUnderscores) {
    EXPECT_EQ(isValidKeyFileName(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Names, KeyFileNameRuleTest,
    testing::Values(TextCase{"ascii", "id_ed25519-work", true}, TextCase{"empty", "", false},
                    TextCase{"space", "my key", false}, TextCase{"dot", "id.old", false},
                    TextCase{"slash", "a/b", false}, TextCase{"dashOnly", "-", true},
                    TextCase{"accented", "cl\xC3\xA9", true},
                    TextCase{"cyrillic", "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87", true},
                    TextCase{"chinese", "\xE5\xAF\x86\xE9\x92\xA5", true},
                    TextCase{"arabicDigits", "key\xD9\xA3", true},
                    TextCase{"romanNumeral", "key\xE2\x85\xA7", true},
                    TextCase{"superscriptTwo", "key\xC2\xB2", true},
                    TextCase{"fraction", "key\xC2\xBD", true},
                    TextCase{"combiningAccent", "cle\xCC\x81", true},
                    TextCase{"leadingCombiningAccent", "\xCC\x81x", false},
                    TextCase{"devanagari", "\xE0\xA4\x95\xE0\xA4\xBF", true},
                    TextCase{"noBreakSpace",
                             "a\xC2\xA0"
                             "b",
                             false},
                    TextCase{"zeroWidthSpace",
                             "a\xE2\x80\x8B"
                             "b",
                             false},
                    TextCase{"emoji", "key\xF0\x9F\x94\x91", false},
                    TextCase{"invalidUtf8", "key\xFF", false},
                    TextCase{"truncatedUtf8", "key\xC3", false},
                    TextCase{"overlongSlash",
                             "a\xC0\xAF"
                             "b",
                             false}),
    caseName);

class EmailTest : public testing::TestWithParam<TextCase> {};

TEST_P(EmailTest, FollowsTheGenerateDialogsRule) {
    EXPECT_EQ(isValidEmail(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Addresses, EmailTest,
                         testing::Values(TextCase{"plain", "me@example.com", true},
                                         TextCase{"empty", "", true},
                                         TextCase{"onlySpaces", " \t ", true},
                                         TextCase{"trimmed", "  me@example.com\t", true},
                                         TextCase{"noAt", "me.example.com", false},
                                         TextCase{"nothingBefore", "@example.com", false},
                                         TextCase{"nothingAfter", "me@", false},
                                         TextCase{"noDot", "me@localhost", false},
                                         TextCase{"dotFirst", "me@.example", false},
                                         TextCase{"dotLast", "me@example.", false},
                                         TextCase{"secondDotLast", "me@example.co.", true},
                                         TextCase{"secondAt", "me@ex@ample.com", true},
                                         TextCase{"innerSpace", "m e@example.com", true}),
                         caseName);

TEST(TrimTest, WhitespaceIsSpaceSeparatorsAndTabsOnly) {
    EXPECT_EQ(trimWhitespace(" \t\xC2\xA0\xE3\x80\x80 a b \xE2\x80\xAF\t"), "a b");
    EXPECT_EQ(trimWhitespace("\na\n"), "\na\n");
    EXPECT_EQ(trimWhitespace(" \t "), "");
    EXPECT_EQ(trimWhitespace("\xC3\xA9"), "\xC3\xA9");
}

TEST(TrimTest, NewlinesAreTrimmedWhenAskedFor) {
    EXPECT_EQ(trimWhitespaceAndNewlines("\r\n\t name \xC2\x85\xE2\x80\xA8\xE2\x80\xA9\v\f"),
              "name");
    EXPECT_EQ(trimWhitespaceAndNewlines("a\nb"), "a\nb");
}

TEST(TrimTest, BlankBecomesAbsent) {
    EXPECT_EQ(nonEmptyTrimmed("  bastion "), "bastion");
    EXPECT_EQ(nonEmptyTrimmed(" \t"), std::nullopt);
}

struct PortCase {
    std::string text;
    std::int64_t port;
};

class PortTest : public testing::TestWithParam<PortCase> {};

TEST_P(PortTest, ReadsAsTheHostDialogDoes) {
    EXPECT_EQ(portFromText(GetParam().text), GetParam().port) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PortTest,
    testing::Values(PortCase{"", 22}, PortCase{"2222", 2222}, PortCase{" 2222", 22},
                    PortCase{"+2222", 2222}, PortCase{"-5", -5}, PortCase{"0", 0},
                    PortCase{"99999", 99999}, PortCase{"+", 22}, PortCase{"22a", 22},
                    PortCase{"2 2", 22}, PortCase{"9223372036854775807", INT64_MAX},
                    PortCase{"-9223372036854775808", INT64_MIN},
                    PortCase{"9223372036854775808", 22}, PortCase{"-9223372036854775809", 22}));

TEST(DuplicateAliasTest, ComparesExactlyAndSkipsTheEditedHost) {
    std::vector<SSHHost> hosts(2);
    hosts[0].id = "1";
    hosts[0].alias = "web";
    hosts[1].id = "2";
    hosts[1].alias = "db";
    EXPECT_TRUE(isDuplicateAlias(hosts, "web", std::nullopt));
    EXPECT_FALSE(isDuplicateAlias(hosts, "Web", std::nullopt));
    EXPECT_FALSE(isDuplicateAlias(hosts, "web ", std::nullopt));
    EXPECT_FALSE(isDuplicateAlias(hosts, "web", std::string("1")));
    EXPECT_TRUE(isDuplicateAlias(hosts, "web", std::string("2")));
    EXPECT_FALSE(isDuplicateAlias(hosts, "", std::nullopt));
}

} // namespace
} // namespace moorkeep
