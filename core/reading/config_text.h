#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::config {

// A configuration text seen as lines: split at every line feed, so a text
// that ends with a line feed has an empty last line. A carriage return at
// the end of a line belongs to the line end, not to the line.
class ConfigText {
public:
    explicit ConfigText(std::string_view text);

    std::string_view text() const { return text_; }
    std::size_t lineCount() const { return starts_.size(); }
    // Where the line starts in the text.
    std::size_t lineStart(std::size_t index) const { return starts_[index]; }
    // The line without its line end.
    std::string_view line(std::size_t index) const;
    // The line end that new lines get (see lineEndOf).
    std::string_view lineEnd() const { return lineEnd_; }

    // The text with lines [from, to) replaced by the given lines, joined as
    // the text was: untouched lines keep their bytes and line ends, new lines
    // get lineEnd(). The last line of the result has no line end unless the
    // text's last line followed it.
    std::string splice(std::size_t from, std::size_t to,
                       const std::vector<std::string>& replacement) const;

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;
    std::string_view lineEnd_;
};

// How many lines ConfigText finds in the text, without keeping them.
std::size_t lineCountOf(std::string_view text);

// Calls found(at) with the position of every line feed in the text, first
// to last. Eight bytes are looked at a time: most configuration lines are
// short, and a search call per line costs more than the line's bytes.
template <typename Found> void forEachLineFeed(std::string_view text, Found&& found) {
    const char* const data = text.data();
    const std::size_t size = text.size();
    std::size_t at = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t lows = 0x7f7f7f7f7f7f7f7fULL;
        constexpr std::uint64_t feeds = 0x0a0a0a0a0a0a0a0aULL;
        for (; at + 8 <= size; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, data + at, 8);
            const std::uint64_t x = word ^ feeds;
            // The high bit of exactly the bytes of x that are zero, with no
            // carry from one byte into the next.
            std::uint64_t hits = ~(((x & lows) + lows) | x | lows);
            while (hits != 0) {
                found(at + static_cast<std::size_t>(std::countr_zero(hits)) / 8);
                hits &= hits - 1;
            }
        }
    }
    for (; at < size; ++at)
        if (data[at] == '\n')
            found(at);
}

// Calls each(line, index) for the text's lines, as ConfigText splits them,
// first to last: a reading that passes over the lines once needs no list of
// where they start, which for a large file costs more than the pass.
template <typename Each> void forEachLine(std::string_view text, Each&& each) {
    std::size_t index = 0;
    std::size_t start = 0;
    const auto emit = [&](std::size_t end) {
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        each(line, index++);
    };
    forEachLineFeed(text, [&](std::size_t at) {
        emit(at);
        start = at + 1;
    });
    emit(text.size());
}

// "\r\n" when the text's first line end is one, else "\n".
std::string_view lineEndOf(std::string_view text);

// Trimmed of spaces and tabs at both ends.
std::string_view trimBlanks(std::string_view text);

} // namespace moorkeep::config
