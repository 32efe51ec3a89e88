#include "keys/utc_date.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace moorkeep::keys {

std::string utcDate(double secondsSince1970) {
    using namespace std::chrono;
    // Beyond ten thousand years either way the calendar arithmetic would
    // overflow; such dates cannot come from a real file.
    constexpr double bound = 3e11;
    double clamped = std::isfinite(secondsSince1970)
                         ? std::clamp(std::floor(secondsSince1970), -bound, bound)
                         : 0.0;
    year_month_day date{floor<days>(sys_seconds(seconds(static_cast<long long>(clamped))))};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

} // namespace moorkeep::keys
