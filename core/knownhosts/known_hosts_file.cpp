#include "knownhosts/known_hosts_file.h"

#include "files/text_file.h"
#include "knownhosts/known_hosts_digest.h"
#include "knownhosts/known_hosts_line.h"

namespace moorkeep::knownhosts {

namespace {

// Calls visit(line, number) for each line as OpenSSH's getline loop sees
// it: up to the line feed, and up to a NUL byte, where its C strings end.
template <typename Visit> void forEachLine(std::string_view bytes, Visit visit) {
    std::size_t number = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t end = bytes.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(at, end - at);
        line = line.substr(0, line.find('\0'));
        visit(line, ++number);
        at = next;
    }
}

KnownHostKey::Marker markerOf(Marker marker) {
    switch (marker) {
    case Marker::certAuthority:
        return KnownHostKey::Marker::certAuthority;
    case Marker::revoked:
        return KnownHostKey::Marker::revoked;
    case Marker::none:
        break;
    }
    return KnownHostKey::Marker::none;
}

} // namespace

FileMatches findKeys(std::string_view bytes, std::string_view name, const std::string& file,
                     bool global) {
    FileMatches found;
    forEachLine(bytes, [&](std::string_view line, std::size_t number) {
        const HostLine read = readHostLine(line, name);
        if (read.kind == HostLine::Kind::malformed)
            ++found.malformedLines;
        if (read.kind != HostLine::Kind::entry || !read.matched)
            return;
        found.keys.push_back({.file = file,
                              .line = number,
                              .keyType = std::string(read.keyType),
                              .fingerprint = sha256Fingerprint(read.key).value_or(""),
                              .hashed = read.hashed,
                              .marker = markerOf(read.marker),
                              .global = global});
    });
    return found;
}

Removal withoutName(std::string_view bytes, std::string_view name) {
    Removal removal;
    removal.bytes.reserve(bytes.size() + 1);
    forEachLine(bytes, [&](std::string_view line, std::size_t number) {
        const HostLine read = readHostLine(line, name);
        if (read.kind == HostLine::Kind::malformed && removal.firstMalformedLine == 0)
            removal.firstMalformedLine = number;
        if (read.kind == HostLine::Kind::entry && read.matched && read.marker == Marker::none) {
            ++removal.removed;
            return;
        }
        removal.bytes.append(line);
        removal.bytes.push_back('\n');
    });
    return removal;
}

std::optional<SteadyRead> readSteadily(const std::string& path) {
    // Another program (ssh itself) may append while the file is read.
    std::optional<SteadyRead> read;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const files::FileStamp before = files::stampOf(path);
        auto bytes = files::readBytes(path, knownHostsSizeLimit);
        if (!bytes)
            return std::nullopt;
        read = SteadyRead{std::move(*bytes), before};
        if (files::stampOf(path) == before)
            break;
    }
    return read;
}

} // namespace moorkeep::knownhosts
