#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The one place where a line of ssh_config is split into keyword and value;
// every reading and writing of the configuration goes through it.
namespace moorkeep::config {

// Points into the line it was split from.
struct DirectiveLine {
    std::string_view keyword; // as written, case kept, quotes removed
    std::string_view value;   // what follows the keyword and its separator
    // Holds the keyword when it lost a quote and so is no part of the line.
    std::shared_ptr<const std::string> unquoted;
};

// The line split as OpenSSH 9.2's client splits it: trailing blanks, CR and
// form feeds dropped; the keyword ends at a blank (space, tab, CR, LF), a
// quote or "=", may be quoted, and is followed by blanks, one "=" and blanks.
// Nothing for blank and comment lines, lines without a value, lines whose
// keyword leaves a quote open, and options whose value is only a comment
// (which OpenSSH refuses); a Host or Match line keeps such a value, since it
// still ends the block before it.
std::optional<DirectiveLine> splitLine(std::string_view line);

// Whether the keyword starts a block.
bool isHeaderKeyword(std::string_view keyword);

} // namespace moorkeep::config
