#include "metadata/user_meta_json.h"

#include "model/json_fields.h"
#include "model/record_json.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

namespace moorkeep {

using namespace moorkeep::json;

namespace {

// A time that is not finite would be written as null and make the whole file
// undecodable. Checked before any JSON is built: nlohmann leaks when a
// conversion throws half-way.
void requireFiniteTimes(const UserMeta& meta) {
    if (!meta.keyCache)
        return;
    for (const auto& entry : *meta.keyCache)
        if (!std::isfinite(entry.pubMtime) || (entry.privMtime && !std::isfinite(*entry.privMtime)))
            throw std::invalid_argument("a key file time is not a finite number");
}

// A member that may be missing or null; when present it must be an array.
const nlohmann::json* optionalArray(const nlohmann::json& j, const char* name) {
    auto it = j.find(name);
    if (it == j.end() || it->is_null())
        return nullptr;
    if (!it->is_array())
        throw DecodeError(std::string("member \"") + name + "\" has the wrong type");
    return &*it;
}

// The members each record of this version reads and writes; any other
// member belongs to another version and is kept.
const std::set<std::string>& knownTopMembers() {
    static const std::set<std::string> names{"version", "keyMeta", "hosts", "preferredTerminal",
                                             "keyCache"};
    return names;
}

const std::set<std::string>& knownMembersOf(const std::string& list) {
    static const std::set<std::string> host{"id",    "alias",     "hostname",     "user",  "port",
                                            "keyId", "proxyJump", "extraOptions", "source"};
    static const std::set<std::string> keyMeta{"id", "name"};
    static const std::set<std::string> keyCache{
        "pubPath",       "pubMtime", "pubSize",   "privMtime", "privSize", "fingerprint",
        "hasPassphrase", "type",     "publicKey", "createdAt", "bits"};
    if (list == "hosts")
        return host;
    if (list == "keyMeta")
        return keyMeta;
    return keyCache;
}

// Copies the unknown members of each previous record into the new record
// with the same value of matchBy.
void keepUnknownRecordMembers(nlohmann::json& records, const nlohmann::json& previous,
                              const std::string& list, const char* matchBy) {
    if (!records.is_array() || !previous.is_array())
        return;
    const std::set<std::string>& known = knownMembersOf(list);
    for (auto& record : records) {
        auto match = std::find_if(previous.begin(), previous.end(), [&](const nlohmann::json& old) {
            return old.is_object() && old.contains(matchBy) && old[matchBy] == record[matchBy];
        });
        if (match == previous.end())
            continue;
        for (const auto& [name, value] : match->items())
            if (!known.contains(name) && !record.contains(name))
                record[name] = value;
    }
}

template <typename T> std::vector<T> decodeList(const nlohmann::json& array) {
    std::vector<T> out;
    out.reserve(array.size());
    for (const auto& item : array)
        out.push_back(item.get<T>());
    return out;
}

} // namespace

void to_json(nlohmann::json& j, const KeyMetaEntry& e) {
    j = nlohmann::json{{"id", e.id}, {"name", e.name}};
}

void from_json(const nlohmann::json& j, KeyMetaEntry& e) {
    e = KeyMetaEntry{requireString(j, "id"), requireString(j, "name")};
}

void to_json(nlohmann::json& j, const KeyCacheEntry& e) {
    j = nlohmann::json{{"pubPath", e.pubPath},    {"pubMtime", e.pubMtime},
                       {"pubSize", e.pubSize},    {"fingerprint", e.fingerprint},
                       {"type", e.type},          {"publicKey", e.publicKey},
                       {"createdAt", e.createdAt}};
    putOptional(j, "privMtime", e.privMtime);
    putOptional(j, "privSize", e.privSize);
    putOptional(j, "hasPassphrase", e.hasPassphrase);
    putOptional(j, "bits", e.bits);
}

void from_json(const nlohmann::json& j, KeyCacheEntry& e) {
    e = KeyCacheEntry{requireString(j, "pubPath"),
                      requireDouble(j, "pubMtime"),
                      requireInt(j, "pubSize"),
                      optionalDouble(j, "privMtime"),
                      optionalInt(j, "privSize"),
                      requireString(j, "fingerprint"),
                      optionalBool(j, "hasPassphrase"),
                      requireString(j, "type"),
                      requireString(j, "publicKey"),
                      requireString(j, "createdAt"),
                      std::nullopt};
    if (auto bits = optionalInt(j, "bits"))
        e.bits = static_cast<int>(*bits);
}

void to_json(nlohmann::json& j, const UserMeta& m) {
    j = nlohmann::json{{"version", m.version}, {"keyMeta", m.keyMeta}, {"hosts", m.hosts}};
    putOptional(j, "preferredTerminal", m.preferredTerminal);
    putOptional(j, "keyCache", m.keyCache);
}

void from_json(const nlohmann::json& j, UserMeta& m) {
    requireObject(j);
    UserMeta out;
    out.version = requireInt(j, "version");
    out.keyMeta = decodeList<KeyMetaEntry>(requireArray(j, "keyMeta"));
    out.hosts = decodeList<SSHHost>(requireArray(j, "hosts"));
    out.preferredTerminal = optionalString(j, "preferredTerminal");
    if (const nlohmann::json* cache = optionalArray(j, "keyCache"))
        out.keyCache = decodeList<KeyCacheEntry>(*cache);
    m = std::move(out);
}

namespace UserMetaJson {

std::string encode(const UserMeta& meta) {
    return encode(meta, nlohmann::json());
}

std::string encode(const UserMeta& meta, const nlohmann::json& previous) {
    requireFiniteTimes(meta);
    try {
        nlohmann::json document(meta);
        if (previous.is_object()) {
            for (const auto& [name, value] : previous.items())
                if (!knownTopMembers().contains(name))
                    document[name] = value;
            keepUnknownRecordMembers(document["hosts"], previous.value("hosts", nlohmann::json()),
                                     "hosts", "id");
            keepUnknownRecordMembers(document["keyMeta"],
                                     previous.value("keyMeta", nlohmann::json()), "keyMeta", "id");
            if (document.contains("keyCache"))
                keepUnknownRecordMembers(document["keyCache"],
                                         previous.value("keyCache", nlohmann::json()), "keyCache",
                                         "pubPath");
        }
        // nlohmann's default object is a std::map, so keys come out sorted at
        // every level; doubles are written in their shortest exact form.
        return document.dump(2) + "\n";
    } catch (const nlohmann::json::type_error&) {
        throw std::invalid_argument("it holds text that is not valid UTF-8");
    }
}

std::optional<UserMeta> decode(std::string_view bytes) {
    try {
        return nlohmann::json::parse(bytes).get<UserMeta>();
    } catch (const DecodeError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace UserMetaJson
} // namespace moorkeep
