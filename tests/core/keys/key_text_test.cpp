#include "keys/key_scanner.h"
#include "keys/key_text.h"
#include "keys/utc_date.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace moorkeep {
namespace {

struct TypeCase {
    const char* name;
    const char* publicKey;
    const char* type;
};

class KeyTypeTest : public testing::TestWithParam<TypeCase> {};

TEST_P(KeyTypeTest, comesFromThePrefixOfTheFirstPiece) {
    EXPECT_EQ(KeyScanner::keyType(GetParam().publicKey), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KeyTypeTest,
    testing::Values(TypeCase{"ed25519", "ssh-ed25519 AAAAC3Nza me@host", "ed25519"},
                    TypeCase{"rsa", "ssh-rsa AAAAB3 me", "rsa"},
                    TypeCase{"rsaCertificate", "ssh-rsa-cert-v01@openssh.com AAAA", "rsa"},
                    TypeCase{"ecdsaWithCurve", "ecdsa-sha2-nistp256 AAAAE2", "ecdsa"},
                    TypeCase{"dsa", "ssh-dss AAAAB3", "dsa"},
                    TypeCase{"leadingBlanks", " \t\nssh-ed25519 AAAA", "ed25519"},
                    TypeCase{"securityKey", "sk-ssh-ed25519@openssh.com AAAA", "unknown"},
                    TypeCase{"prefixInSecondPiece", "from=x ssh-rsa AAAA", "unknown"},
                    TypeCase{"truncatedPrefix", "ssh-rs AAAA", "unknown"},
                    TypeCase{"upperCase", "SSH-RSA AAAA", "unknown"},
                    TypeCase{"empty", "", "unknown"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TrimCase {
    const char* name;
    const char* text;
    const char* trimmed;
};

class TrimWhitespaceTest : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimWhitespaceTest, removesSpacesAndLineBreaksAtBothEnds) {
    EXPECT_EQ(keys::trimWhitespace(GetParam().text), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrimWhitespaceTest,
                         testing::Values(TrimCase{"untouched", "a b", "a b"},
                                         TrimCase{"ascii", " \t\r\n\v\fa b\n\n", "a b"},
                                         TrimCase{"innerLinesKept", "\na\n\nb\n", "a\n\nb"},
                                         TrimCase{"noBreakAndIdeographicSpace",
                                                  "\xC2\xA0"
                                                  "a\xE3\x80\x80",
                                                  "a"},
                                         TrimCase{"lineSeparatorAndNel",
                                                  "\xE2\x80\xA8"
                                                  "a\xC2\x85",
                                                  "a"},
                                         TrimCase{"otherLettersKept",
                                                  "\xC3\xA9"
                                                  "a\xC3\xA0",
                                                  "\xC3\xA9"
                                                  "a\xC3\xA0"},
                                         TrimCase{"onlySpaces", " \xE2\x80\x83\n", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DateCase {
    const char* name;
    double seconds;
    const char* date;
};

// The date must not follow the local time zone: the cases run with the clock
// set two hours east of UTC.
class UtcDateTest : public testing::TestWithParam<DateCase> {
protected:
    void SetUp() override {
        if (const char* zone = std::getenv("TZ"))
            savedZone_ = zone;
        ::setenv("TZ", "EET-2", 1);
        ::tzset();
    }
    void TearDown() override {
        if (savedZone_)
            ::setenv("TZ", savedZone_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> savedZone_;
};

TEST_P(UtcDateTest, isTheUtcCalendarDate) {
    EXPECT_EQ(keys::utcDate(GetParam().seconds), GetParam().date);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, UtcDateTest,
    testing::Values(DateCase{"epoch", 0, "1970-01-01"},
                    // 00:30 on 2 March two hours east of UTC
                    DateCase{"justAfterLocalMidnight", 1709332200, "2024-03-01"},
                    DateCase{"lastFractionOfADay", 1709337599.999, "2024-03-01"},
                    DateCase{"leapDay", 1709164800.5, "2024-02-29"},
                    DateCase{"beforeTheEpoch", -0.5, "1969-12-31"},
                    DateCase{"earlyYearPadded", -59011459200, "0100-01-01"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace moorkeep
