#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace moorkeep::files {

enum class ReadStatus { ok, missing, unreadable, tooLarge };

struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    std::string bytes;
    int errorNumber = 0; // set when unreadable
};

// The most a configuration, included or metadata file may hold; a larger
// one (or an endless one, such as a file under /proc) is not read.
inline constexpr std::size_t fileSizeLimit = 16 * 1024 * 1024;

// Reads a whole file; a missing file, an unreadable one and one larger than
// the limit are told apart. Only regular files are read.
ReadResult readFile(const std::string& path, std::size_t limit = fileSizeLimit);
// The bytes, or nothing when the file cannot be read for any reason.
std::optional<std::string> readBytes(const std::string& path, std::size_t limit = fileSizeLimit);
// The text, or nothing when the file cannot be read or is not valid UTF-8.
std::optional<std::string> readUtf8(const std::string& path, std::size_t limit = fileSizeLimit);
bool isValidUtf8(std::string_view bytes);
// Whether the path is a regular file that holds exactly these bytes: read
// a piece at a time and compared, so that no copy of a large file is made.
bool holdsBytes(const std::string& path, std::string_view bytes);
bool exists(const std::string& path);

} // namespace moorkeep::files
