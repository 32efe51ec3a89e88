#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// How a backup differs from the text its file holds now, line by line.
namespace moorkeep::BackupDiff {

struct Line {
    enum class Kind { same, removed, added, gap };
    Kind kind;
    std::string text; // without its newline; empty for a gap
};

// The lines that turn `from` into `to`: a shortest edit of the lines that
// differ, each with up to `context` unchanged lines around it and a gap
// where more are left out. Empty when the texts hold the same lines.
std::vector<Line> compare(std::string_view from, std::string_view to, std::size_t context = 3);

} // namespace moorkeep::BackupDiff
