#include "model/json_fields.h"

namespace moorkeep::json {
namespace {

const json& member(const json& object, const char* name) {
    requireObject(object);
    auto it = object.find(name);
    if (it == object.end())
        throw DecodeError(std::string("missing member \"") + name + "\"");
    return *it;
}

const json* optionalMember(const json& object, const char* name) {
    requireObject(object);
    auto it = object.find(name);
    if (it == object.end() || it->is_null())
        return nullptr;
    return &*it;
}

[[noreturn]] void wrongType(const char* name) {
    throw DecodeError(std::string("member \"") + name + "\" has the wrong type");
}

std::string asString(const json& v, const char* name) {
    if (!v.is_string())
        wrongType(name);
    return v.get<std::string>();
}

std::int64_t asInt(const json& v, const char* name) {
    if (v.is_number_unsigned()) {
        auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(INT64_MAX))
            wrongType(name);
        return static_cast<std::int64_t>(u);
    }
    if (!v.is_number_integer())
        wrongType(name);
    return v.get<std::int64_t>();
}

double asDouble(const json& v, const char* name) {
    if (!v.is_number())
        wrongType(name);
    return v.get<double>();
}

bool asBool(const json& v, const char* name) {
    if (!v.is_boolean())
        wrongType(name);
    return v.get<bool>();
}

} // namespace

void requireObject(const json& value) {
    if (!value.is_object())
        throw DecodeError("expected a JSON object");
}

std::string requireString(const json& o, const char* name) {
    return asString(member(o, name), name);
}
std::int64_t requireInt(const json& o, const char* name) {
    return asInt(member(o, name), name);
}
double requireDouble(const json& o, const char* name) {
    return asDouble(member(o, name), name);
}
bool requireBool(const json& o, const char* name) {
    return asBool(member(o, name), name);
}

const json& requireArray(const json& o, const char* name) {
    const json& v = member(o, name);
    if (!v.is_array())
        wrongType(name);
    return v;
}

std::map<std::string, std::string> requireStringMap(const json& o, const char* name) {
    const json& v = member(o, name);
    if (!v.is_object())
        wrongType(name);
    std::map<std::string, std::string> out;
    for (auto it = v.begin(); it != v.end(); ++it)
        out[it.key()] = asString(it.value(), name);
    return out;
}

std::optional<std::string> optionalString(const json& o, const char* name) {
    const json* v = optionalMember(o, name);
    return v ? std::optional(asString(*v, name)) : std::nullopt;
}

std::optional<std::int64_t> optionalInt(const json& o, const char* name) {
    const json* v = optionalMember(o, name);
    return v ? std::optional(asInt(*v, name)) : std::nullopt;
}

std::optional<double> optionalDouble(const json& o, const char* name) {
    const json* v = optionalMember(o, name);
    return v ? std::optional(asDouble(*v, name)) : std::nullopt;
}

std::optional<bool> optionalBool(const json& o, const char* name) {
    const json* v = optionalMember(o, name);
    return v ? std::optional(asBool(*v, name)) : std::nullopt;
}

} // namespace moorkeep::json
