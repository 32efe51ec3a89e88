#include "keys/key_text.h"

namespace moorkeep::keys {
namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string_view firstPiece(std::string_view text) {
    return firstPieceStartingWith(text, {});
}

std::string_view firstPieceStartingWith(std::string_view text, std::string_view prefix) {
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isAsciiSpace(text[at]))
            ++at;
        std::size_t end = at;
        while (end < text.size() && !isAsciiSpace(text[end]))
            ++end;
        std::string_view piece = text.substr(at, end - at);
        if (!piece.empty() && piece.starts_with(prefix))
            return piece;
        at = end;
    }
    return {};
}

} // namespace moorkeep::keys
