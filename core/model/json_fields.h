#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

namespace moorkeep::json {

using nlohmann::json;

// A record that does not decode: a required member missing, a wrong JSON type
// or a value outside what the record allows.
class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Strict member readers: a required member must exist with the right type; an
// optional member may be missing or null.
std::string requireString(const json& object, const char* name);
std::int64_t requireInt(const json& object, const char* name);
double requireDouble(const json& object, const char* name);
bool requireBool(const json& object, const char* name);
const json& requireArray(const json& object, const char* name);
std::map<std::string, std::string> requireStringMap(const json& object, const char* name);

std::optional<std::string> optionalString(const json& object, const char* name);
std::optional<std::int64_t> optionalInt(const json& object, const char* name);
std::optional<double> optionalDouble(const json& object, const char* name);
std::optional<bool> optionalBool(const json& object, const char* name);

void requireObject(const json& value);

// Writes the member only when the optional holds a value.
template <typename T>
void putOptional(json& object, const char* name, const std::optional<T>& value) {
    if (value)
        object[name] = *value;
}

} // namespace moorkeep::json
