#include "reading/config_line.h"

#include "model/ascii.h"
#include "reading/config_syntax.h"

#include <array>

namespace moorkeep::config {
namespace {

// WHITESPACE of misc.c.
bool isWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The bytes that end a word: WHITESPACE, the quote and "=".
constexpr auto wordEnds = [] {
    std::array<bool, 256> ends{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '"', '='})
        ends[c] = true;
    return ends;
}();

std::size_t skipWhitespace(std::string_view text, std::size_t at) {
    while (at < text.size() && isWhitespace(text[at]))
        ++at;
    return at;
}

// The next word as misc.c's strdelim takes it; at becomes npos when the line
// is used up. Nothing when a quote is left open. A word that loses a quote is
// kept in storage.
std::optional<std::string_view> nextWord(std::string_view text, std::size_t& at,
                                         std::shared_ptr<const std::string>& storage) {
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = at;
    std::size_t end = at;
    while (end < text.size() && !wordEnds[static_cast<unsigned char>(text[end])])
        ++end;
    if (end == text.size()) {
        at = std::string_view::npos;
        return text.substr(start);
    }
    if (text[end] == '"') {
        const std::size_t close = text.find('"', end + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        at = skipWhitespace(text, close + 1);
        storage =
            std::make_shared<const std::string>(std::string(text.substr(start, end - start)) +
                                                std::string(text.substr(end + 1, close - end - 1)));
        return *storage;
    }
    // One "=" may stand between the word and what follows, with blanks on
    // either side.
    at = skipWhitespace(text, end + 1);
    if (text[end] != '=' && at < text.size() && text[at] == '=')
        at = skipWhitespace(text, at + 1);
    return text.substr(start, end - start);
}

} // namespace

bool isHeaderKeyword(std::string_view keyword) {
    return equalsIgnoringCase(keyword, "host") || equalsIgnoringCase(keyword, "match");
}

std::optional<DirectiveLine> splitLine(std::string_view line) {
    // readconf.c keeps the first character even when it is blank.
    while (line.size() > 1 && (isWhitespace(line.back()) || line.back() == '\f'))
        line.remove_suffix(1);
    std::size_t at = 0;
    DirectiveLine split;
    auto keyword = nextWord(line, at, split.unquoted);
    // Blanks before the keyword give an empty first word.
    if (keyword && keyword->empty())
        keyword = nextWord(line, at, split.unquoted);
    if (!keyword || keyword->empty() || keyword->front() == '#' || at == std::string_view::npos)
        return std::nullopt;
    split.keyword = *keyword;
    split.value = line.substr(skipWhitespace(line, at));
    if (split.value.empty() || (split.value.front() == '#' && !isHeaderKeyword(split.keyword)))
        return std::nullopt;
    return split;
}

} // namespace moorkeep::config
