#pragma once

#include <string>
#include <string_view>
#include <vector>

// How directive lines are spelt: keywords, separators, values.
namespace moorkeep::config {

inline bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
std::string_view trimEnd(std::string_view text);
// The value split at runs of white space.
std::vector<std::string> words(std::string_view value);

} // namespace moorkeep::config
