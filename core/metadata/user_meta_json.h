#pragma once

#include "keys/key_cache_entry.h"
#include "metadata/user_meta.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

// JSON form of the metadata file: member names are the field names, absent
// optionals are left out. Decoding throws json::DecodeError.
namespace moorkeep {

void to_json(nlohmann::json& j, const KeyMetaEntry& entry);
void from_json(const nlohmann::json& j, KeyMetaEntry& entry);
void to_json(nlohmann::json& j, const KeyCacheEntry& entry);
void from_json(const nlohmann::json& j, KeyCacheEntry& entry);
void to_json(nlohmann::json& j, const UserMeta& meta);
void from_json(const nlohmann::json& j, UserMeta& meta);

namespace UserMetaJson {

// The file's bytes: pretty-printed UTF-8 with object keys sorted at every
// level, ending in a newline. Throws std::invalid_argument, with the reason,
// for a record that JSON cannot hold (text that is not UTF-8, a time that is
// not a finite number).
std::string encode(const UserMeta& meta);
// The same, keeping what a file written by another version holds and this
// one does not know: top-level members, and members of the host, display
// name and key cache records that have a match (same id, same pubPath) in
// the new record. previous is the file's current JSON.
std::string encode(const UserMeta& meta, const nlohmann::json& previous);

// The record, or nothing when the bytes are not JSON or any member fails to
// decode.
std::optional<UserMeta> decode(std::string_view bytes);

} // namespace UserMetaJson
} // namespace moorkeep
