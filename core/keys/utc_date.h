#pragma once

#include <string>

namespace moorkeep::keys {

// The UTC calendar date of a moment as "yyyy-MM-dd", whatever the user's time
// zone and locale.
std::string utcDate(double secondsSince1970);

} // namespace moorkeep::keys
