#include "model/alias_rule.h"

#include "model/unicode_text.h"

namespace moorkeep {

std::optional<std::string> aliasProblem(std::string_view alias) {
    bool bad = !alias.empty() && alias.front() == '-';
    for (std::size_t offset = 0; !bad && offset < alias.size();) {
        auto scalar = unicode::decodeAt(alias, offset);
        char32_t c = scalar.value;
        bad = c == U'*' || c == U'?' || c == U'!' || c == U',' || c == U'\t' ||
              unicode::isSpaceSeparator(c) || unicode::isLineBreak(c);
        offset += scalar.size;
    }
    if (!bad)
        return std::nullopt;
    return "An alias is one host name: no spaces, no * ? ! , and no leading -";
}

} // namespace moorkeep
