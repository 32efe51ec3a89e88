#pragma once

#include "reading/config_text.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace moorkeep::config {

// The pattern of the Host * block, which holds the defaults.
inline constexpr std::string_view defaultsPattern = "*";

enum class HeaderKeyword { host, match };

// A "Host" or "Match" line, split as every reader splits it (so "Host=web"
// and "\"Host\" web" are ones too): the readers start a block there, and so
// a block ends there for the writer as well. A keyword without a value is no
// header.
struct BlockHeader {
    HeaderKeyword keyword;
    std::string pattern; // the patterns as OpenSSH takes them, case kept
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
// The keyword of a directive line, split as every reader splits it; nothing for
// blank, comment and malformed lines.
std::optional<std::string> directiveKeyword(std::string_view line);
bool isBlank(std::string_view line);

} // namespace moorkeep::config
