#pragma once

#include "config/config_text.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace moorkeep::config {

// The pattern of the Host * block, which holds the defaults.
inline constexpr std::string_view defaultsPattern = "*";

enum class HeaderKeyword { host, match };

// A "Host" or "Match" line: the keyword (any case) followed by white space
// or the end of the line. A keyword joined to its pattern with "=" does not
// count.
struct BlockHeader {
    HeaderKeyword keyword;
    std::string_view pattern; // trimmed, case kept
};

std::optional<BlockHeader> readHeader(std::string_view line);

// Lines [header, end) of a block. Blank and comment lines at its end are not
// part of it: they belong to what follows.
struct Block {
    std::size_t header;
    std::size_t end;
};

// The first block whose "Host" pattern is exactly the given one. One pass
// over the lines.
std::optional<Block> findHostBlock(const ConfigText& text, std::string_view pattern);

// Leading spaces and tabs of the block's first indented line that has more
// after them; two spaces when there is none.
std::string blockIndentation(const ConfigText& text, const Block& block);

bool isBlankOrComment(std::string_view line);
bool isBlank(std::string_view line);

} // namespace moorkeep::config
