#include "reading/config_text.h"

namespace moorkeep::config {

ConfigText::ConfigText(std::string_view text)
    : text_(text)
    , lineEnd_(lineEndOf(text)) {
    // Counted first: a list grown line by line would be copied and touched
    // several times over on a large file.
    starts_.reserve(lineCountOf(text));
    forEachLine(text, [&](std::string_view line, std::size_t) {
        starts_.push_back(static_cast<std::size_t>(line.data() - text.data()));
    });
}

std::size_t lineCountOf(std::string_view text) {
    std::size_t count = 1;
    forEachLineFeed(text, [&](std::size_t) { ++count; });
    return count;
}

std::string_view ConfigText::line(std::size_t index) const {
    std::size_t start = starts_[index];
    std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : text_.size();
    std::string_view line = text_.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string ConfigText::splice(std::size_t from, std::size_t to,
                               const std::vector<std::string>& replacement) const {
    const std::size_t count = starts_.size();
    std::string out(text_.substr(0, from < count ? starts_[from] : text_.size()));
    // Only the text's last line lacks a line end; when it stays before the
    // new lines, they need one in between.
    bool open = from == count;
    for (const std::string& line : replacement) {
        if (open)
            out += lineEnd_;
        out += line;
        open = true;
    }
    if (to < count) {
        if (open)
            out += lineEnd_;
        out += text_.substr(starts_[to]);
    } else if (!open && !out.empty()) {
        // A kept line became the last one: it loses its line end.
        out.pop_back();
        if (!out.empty() && out.back() == '\r')
            out.pop_back();
    }
    return out;
}

std::string_view lineEndOf(std::string_view text) {
    const auto first = text.find('\n');
    return first != std::string_view::npos && first > 0 && text[first - 1] == '\r' ? "\r\n" : "\n";
}

// A plain loop: find_first_not_of searches its set once for each character,
// which costs much more on a large configuration.
std::string_view trimBlanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && blank(text[first]))
        ++first;
    while (end > first && blank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

} // namespace moorkeep::config
