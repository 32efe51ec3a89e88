#include "keys/utc_date.h"
#include "support/scoped_env.h"

#include <ctime>
#include <gtest/gtest.h>

namespace moorkeep::test {
namespace {

TEST(UtcDateTest, IsTheUtcCalendarDateWhateverTheLocalZone) {
    {
        const ScopedEnv zone("TZ", "EET-2"); // two hours east of UTC
        ::tzset();
        EXPECT_EQ(keys::utcDate(0), "1970-01-01");
        EXPECT_EQ(keys::utcDate(1709332200), "2024-03-01"); // 00:30 on 2 March local time
        EXPECT_EQ(keys::utcDate(1709164800.5), "2024-02-29");
        EXPECT_EQ(keys::utcDate(-0.5), "1969-12-31");
    }
    ::tzset();
}

} // namespace
} // namespace moorkeep::test
