#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moorkeep::files {

enum class ReadStatus { ok, missing, unreadable };

struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    std::string bytes;
    int errorNumber = 0; // set when unreadable
};

// Reads a whole file; a missing file and an unreadable one are told apart.
ReadResult readFile(const std::string& path);
// The bytes, or nothing when the file cannot be read for any reason.
std::optional<std::string> readBytes(const std::string& path);
// The text, or nothing when the file cannot be read or is not valid UTF-8.
std::optional<std::string> readUtf8(const std::string& path);
bool isValidUtf8(std::string_view bytes);
bool exists(const std::string& path);

} // namespace moorkeep::files
