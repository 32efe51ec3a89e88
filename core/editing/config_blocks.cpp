#include "editing/config_blocks.h"

#include "model/ascii.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_line.h"
#include "reading/config_syntax.h"

namespace moorkeep::config {

namespace {

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

// Whether the line's keyword may be "Host" or "Match": the first word after
// blanks and "=", unless a quote joins it to more. Most lines of a large file
// are ruled out by their first letter.
bool mayBeHeader(std::string_view line) {
    std::size_t first = 0;
    while (first < line.size() &&
           (line[first] == ' ' || line[first] == '\t' || line[first] == '\r' ||
            line[first] == '\n' || line[first] == '='))
        ++first;
    if (first == line.size())
        return false;
    const char start = line[first];
    if (start == '"')
        return true;
    if (start != 'h' && start != 'H' && start != 'm' && start != 'M')
        return false;
    std::size_t end = first;
    for (; end < line.size(); ++end) {
        const char c = line[end];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '=')
            break;
        if (c == '"')
            return true;
    }
    return isHeaderKeyword(line.substr(first, end - first));
}

} // namespace

std::optional<BlockHeader> readHeader(std::string_view line) {
    // Only lines whose keyword may be "Host" or "Match" are split, which
    // saves copying every other one.
    if (!mayBeHeader(line))
        return std::nullopt;
    auto split = splitLine(line);
    if (!split || !isHeaderKeyword(split->keyword))
        return std::nullopt;
    return BlockHeader{equalsIgnoringCase(split->keyword, "host") ? HeaderKeyword::host
                                                                  : HeaderKeyword::match,
                       headerPatterns(split->value)};
}

std::optional<std::string> directiveKeyword(std::string_view line) {
    auto split = splitLine(line);
    if (!split)
        return std::nullopt;
    return std::string(split->keyword);
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

namespace {

// A CR or form feed left at the end of a line is a blank to OpenSSH.
std::string_view trimmedLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t\r\f");
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r\f") + 1 - first);
}

} // namespace

bool isBlank(std::string_view line) {
    return trimmedLine(line).empty();
}

bool isBlankOrComment(std::string_view line) {
    const std::string_view trimmed = trimmedLine(line);
    return trimmed.empty() || trimmed.front() == '#';
}

} // namespace moorkeep::config
