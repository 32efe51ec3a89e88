#include "model/json_text.h"

#include <array>
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

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    // Nearly every name and value needs no escaping; anything else goes
    // through nlohmann's own escaping and repairs.
    for (char c : text) {
        if (!plainBytes[static_cast<unsigned char>(c)]) {
            out += nlohmann::json(std::string(text))
                       .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            return;
        }
    }
    out += '"';
    out += text;
    out += '"';
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
    out_ += empty_ ? "\n" : ",\n";
    empty_ = false;
    indent(depth_ + 1);
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
