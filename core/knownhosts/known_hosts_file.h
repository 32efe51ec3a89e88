#pragma once

#include "files/file_stamp.h"
#include "model/known_host_keys.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A whole known_hosts file, looked through for one name.
namespace moorkeep::knownhosts {

struct FileMatches {
    std::vector<KnownHostKey> keys;
    std::size_t malformedLines = 0;
};

// The lines that give keys for the name, as `ssh-keygen -F name` lists them.
FileMatches findKeys(std::string_view bytes, std::string_view name, const std::string& file,
                     bool global);

struct Removal {
    std::string bytes;
    std::size_t removed = 0;
    std::size_t firstMalformedLine = 0; // 0 when every line can be read
};

// The file without the lines that give keys for the name, except marked
// ones, as `ssh-keygen -R name` writes it: every other line kept, each
// ended by a line feed. ssh-keygen changes no file with a malformed line.
Removal withoutName(std::string_view bytes, std::string_view name);

// A known_hosts file may be far larger than a configuration.
inline constexpr std::size_t knownHostsSizeLimit = 256 * 1024 * 1024;

struct SteadyRead {
    std::string bytes;
    files::FileStamp stamp; // of the file as read
};

// The file's bytes, read again while it changed during the reading;
// nothing for a missing or unreadable file.
std::optional<SteadyRead> readSteadily(const std::string& path);

} // namespace moorkeep::knownhosts
