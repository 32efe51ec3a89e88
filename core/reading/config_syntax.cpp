#include "reading/config_syntax.h"

namespace moorkeep::config {

std::string_view trimEnd(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.substr(0, end);
}

std::vector<std::string> words(std::string_view value) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && isSpace(value[i]))
            ++i;
        std::size_t start = i;
        while (i < value.size() && !isSpace(value[i]))
            ++i;
        if (i > start)
            out.emplace_back(value.substr(start, i - start));
    }
    return out;
}

} // namespace moorkeep::config
