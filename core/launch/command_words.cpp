#include "launch/command_words.h"

#include <optional>
#include <stdexcept>

namespace moorkeep::CommandWords {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool escapableInDoubleQuotes(char c) {
    return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n';
}

std::invalid_argument unclosed(char quote) {
    return std::invalid_argument(std::string("The command line has a ") + quote +
                                 " quote that is never closed");
}

} // namespace

std::vector<std::string> split(std::string_view line) {
    std::vector<std::string> words;
    // A word exists once anything of it is read, even an empty quote.
    std::optional<std::string> word;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i++];
        if (c == '\\' && i < line.size() && line[i] == '\n') {
            ++i;
            continue;
        }
        if (isBlank(c)) {
            if (word)
                words.push_back(std::move(*word));
            word.reset();
            continue;
        }
        std::string& text = word ? *word : word.emplace();
        if (c == '\\') {
            // A backslash that ends the line stays itself.
            text += i < line.size() ? line[i++] : c;
        } else if (c == '\'') {
            const std::size_t end = line.find('\'', i);
            if (end == std::string_view::npos)
                throw unclosed('\'');
            text.append(line.substr(i, end - i));
            i = end + 1;
        } else if (c == '"') {
            for (;;) {
                if (i == line.size())
                    throw unclosed('"');
                const char inside = line[i++];
                if (inside == '"')
                    break;
                if (inside == '\\' && i < line.size() && escapableInDoubleQuotes(line[i])) {
                    if (line[i] != '\n')
                        text += line[i];
                    ++i;
                } else {
                    text += inside;
                }
            }
        } else {
            text += c;
        }
    }
    if (word)
        words.push_back(std::move(*word));
    return words;
}

} // namespace moorkeep::CommandWords
