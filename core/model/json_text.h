#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace moorkeep {

// Appends the text as a JSON string, byte for byte as nlohmann's dump writes
// it: characters beyond ASCII as they are, text that is not valid UTF-8 with
// replacement characters.
void appendJsonString(std::string& out, std::string_view text);

// A JSON object written straight into text, the same bytes as
// nlohmann::json::dump(2) of the same object: for lists of thousands of
// records, where building each record as a json value first costs more than
// the rest of the command. Members must come in sorted order, as a json
// object keeps them.
class JsonObjectText {
public:
    // depth: how many levels the object stands inside an outer value.
    JsonObjectText(std::string& out, int depth);

    JsonObjectText& member(std::string_view name, std::string_view value);
    JsonObjectText& member(std::string_view name, const char* value) {
        return member(name, std::string_view(value));
    }
    JsonObjectText& member(std::string_view name, std::int64_t value);
    JsonObjectText& member(std::string_view name, std::nullptr_t);
    // An object of strings.
    JsonObjectText& member(std::string_view name, const std::map<std::string, std::string>& value);
    void close();

private:
    void name(std::string_view name);
    void indent(int depth);

    std::string& out_;
    int depth_;
    bool empty_ = true;
};

} // namespace moorkeep
