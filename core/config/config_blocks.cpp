#include "config/config_blocks.h"

#include "config/config_parser.h"
#include "config/config_syntax.h"

namespace moorkeep::config {

namespace {

bool splitLine(std::string_view line, std::string& keyword, std::string& value) {
    const std::string_view trimmed = trimBlanks(line);
    return !trimmed.empty() && trimmed.front() != '#' &&
           ConfigParser::splitDirective(trimmed, keyword, value);
}

// The end of the block that starts at the header: before the next header,
// less the blank and comment lines directly before that.
std::size_t blockEnd(const ConfigText& text, std::size_t header) {
    std::size_t end = header + 1;
    for (std::size_t i = header + 1; i < text.lineCount(); ++i) {
        const std::string_view line = text.line(i);
        if (readHeader(line))
            break;
        if (!isBlankOrComment(line))
            end = i + 1;
    }
    return end;
}

} // namespace

std::optional<BlockHeader> readHeader(std::string_view line) {
    // Most lines of a large file are no header: only lines that start with
    // "Host" or "Match" and a separator are split, which saves copying every
    // other one.
    const std::string_view trimmed = trimBlanks(line);
    auto startsWith = [&](std::string_view keyword) {
        return trimmed.size() > keyword.size() &&
               equalsIgnoringCase(trimmed.substr(0, keyword.size()), keyword) &&
               (isSpace(trimmed[keyword.size()]) || trimmed[keyword.size()] == '=');
    };
    if (!startsWith("host") && !startsWith("match"))
        return std::nullopt;
    std::string keyword, value;
    if (!splitLine(line, keyword, value))
        return std::nullopt;
    if (equalsIgnoringCase(keyword, "host"))
        return BlockHeader{HeaderKeyword::host, std::move(value)};
    if (equalsIgnoringCase(keyword, "match"))
        return BlockHeader{HeaderKeyword::match, std::move(value)};
    return std::nullopt;
}

std::optional<std::string> directiveKeyword(std::string_view line) {
    std::string keyword, value;
    if (!splitLine(line, keyword, value))
        return std::nullopt;
    return keyword;
}

std::optional<Block> findHostBlock(const ConfigText& text, std::string_view pattern) {
    for (std::size_t i = 0; i < text.lineCount(); ++i) {
        const auto header = readHeader(text.line(i));
        if (header && header->keyword == HeaderKeyword::host && header->pattern == pattern)
            return Block{i, blockEnd(text, i)};
    }
    return std::nullopt;
}

std::string blockIndentation(const ConfigText& text, const Block& block) {
    for (std::size_t i = block.header + 1; i < block.end; ++i) {
        const std::string_view line = text.line(i);
        const auto first = line.find_first_not_of(" \t");
        if (first != 0 && first != std::string_view::npos)
            return std::string(line.substr(0, first));
    }
    return "  ";
}

bool isBlank(std::string_view line) {
    return trimBlanks(line).empty();
}

bool isBlankOrComment(std::string_view line) {
    const std::string_view trimmed = trimBlanks(line);
    return trimmed.empty() || trimmed.front() == '#';
}

} // namespace moorkeep::config
