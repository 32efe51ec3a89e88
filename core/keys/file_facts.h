#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace moorkeep::keys {

// The attributes a scan compares and dates keys by; each is absent when the
// file system does not report it.
struct FileFacts {
    std::optional<double> modified; // seconds since 1970, fraction included
    std::optional<std::int64_t> size;
    std::optional<double> born;          // where the file system keeps a creation time
    std::optional<unsigned> permissions; // the mode's permission bits
};

// The facts of the file the path leads to (symbolic links followed), or
// nothing when it cannot be examined.
std::optional<FileFacts> readFileFacts(const std::string& path);

} // namespace moorkeep::keys
