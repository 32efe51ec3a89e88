#include "model/json_text.h"

#include <array>
#include <cstring>
#include <nlohmann/json.hpp>

namespace moorkeep {

namespace {

// The bytes JSON text holds as they are: printable ASCII but the quote and
// the backslash.
constexpr auto plainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c)
        plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
}();

// Whether any of the eight bytes needs escaping: a control character, the
// quote, the backslash, DEL or a byte beyond ASCII.
bool wordNeedsEscaping(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highs = 0x8080808080808080;
    auto hasZero = [&](std::uint64_t v) { return (v - ones) & ~v & highs; };
    return ((word - ones * 0x20) & ~word & highs) || (word & highs) ||
           hasZero(word ^ (ones * '"')) || hasZero(word ^ (ones * '\\')) ||
           hasZero(word ^ (ones * 0x7F));
}

bool isPlainText(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (wordNeedsEscaping(word))
            return false;
    }
    for (; i < text.size(); ++i)
        if (!plainBytes[static_cast<unsigned char>(text[i])])
            return false;
    return true;
}

// A comma and line break, then the indentation of the deepest object a
// record list writes.
constexpr std::string_view memberBreak = ",\n                                ";

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    // Nearly every name and value needs no escaping; anything else goes
    // through nlohmann's own escaping and repairs.
    if (!isPlainText(text)) {
        out += nlohmann::json(std::string(text))
                   .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + text.size() + 2);
    char* to = out.data() + at;
    *to = '"';
    std::memcpy(to + 1, text.data(), text.size());
    to[text.size() + 1] = '"';
}

JsonObjectText::JsonObjectText(std::string& out, int depth)
    : out_(out)
    , depth_(depth) {
    out_ += '{';
}

void JsonObjectText::indent(int depth) {
    out_.append(static_cast<std::size_t>(depth) * 2, ' ');
}

void JsonObjectText::name(std::string_view name) {
    const std::size_t spaces = static_cast<std::size_t>(depth_ + 1) * 2;
    if (spaces + 2 <= memberBreak.size())
        out_ += memberBreak.substr(empty_ ? 1 : 0, spaces + (empty_ ? 1 : 2));
    else {
        out_ += empty_ ? "\n" : ",\n";
        indent(depth_ + 1);
    }
    empty_ = false;
    appendJsonString(out_, name);
    out_ += ": ";
}

JsonObjectText& JsonObjectText::member(std::string_view name, std::string_view value) {
    this->name(name);
    appendJsonString(out_, value);
    return *this;
}

JsonObjectText& JsonObjectText::member(std::string_view name, std::int64_t value) {
    this->name(name);
    out_ += std::to_string(value);
    return *this;
}

JsonObjectText& JsonObjectText::member(std::string_view name, std::nullptr_t) {
    this->name(name);
    out_ += "null";
    return *this;
}

JsonObjectText& JsonObjectText::member(std::string_view name,
                                       const std::map<std::string, std::string>& value) {
    this->name(name);
    JsonObjectText inner(out_, depth_ + 1);
    for (const auto& [key, text] : value)
        inner.member(key, text);
    inner.close();
    return *this;
}

void JsonObjectText::close() {
    if (!empty_) {
        out_ += '\n';
        indent(depth_);
    }
    out_ += '}';
}

} // namespace moorkeep
