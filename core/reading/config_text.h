#pragma once

#include <cstddef>
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

// Calls each(line, index) for the text's lines, as ConfigText splits them,
// first to last: a reading that passes over the lines once needs no list of
// where they start, which for a large file costs more than the pass.
template <typename Each> void forEachLine(std::string_view text, Each&& each) {
    std::size_t index = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        each(line, index++);
        if (end == std::string_view::npos)
            return;
        start = end + 1;
    }
}

// "\r\n" when the text's first line end is one, else "\n".
std::string_view lineEndOf(std::string_view text);

// Trimmed of spaces and tabs at both ends.
std::string_view trimBlanks(std::string_view text);

} // namespace moorkeep::config
