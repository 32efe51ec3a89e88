#include "files/text_file.h"

#include "model/unicode_text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::files {

ReadResult readFile(const std::string& path, std::size_t limit) {
    // Non-blocking open, so that a FIFO standing at the path cannot hang a
    // read; only regular files are read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {errno == ENOENT ? ReadStatus::missing : ReadStatus::unreadable, {}, errno};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {ReadStatus::unreadable, {}, S_ISDIR(st.st_mode) ? EISDIR : EINVAL};
    }
    ReadResult result{ReadStatus::ok, {}, 0};
    // The size the file claims is not trusted: files under /proc claim none
    // and never end. Reading stops one byte past the limit.
    if (static_cast<std::size_t>(st.st_size) > limit) {
        ::close(fd);
        return {ReadStatus::tooLarge, {}, EFBIG};
    }
    // Room for what the file says it holds, so that the text is not copied
    // as it grows; the reading below does not rely on it.
    if (st.st_size > 0)
        result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            result.bytes.append(buffer, static_cast<std::size_t>(n));
            if (result.bytes.size() > limit) {
                result = {ReadStatus::tooLarge, {}, EFBIG};
                break;
            }
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            result = {ReadStatus::unreadable, {}, errno};
            break;
        }
    }
    ::close(fd);
    return result;
}

bool holdsBytes(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                static_cast<std::uintmax_t>(st.st_size) == bytes.size();
    // The size is only a first sign: what is read decides, to its end.
    char buffer[65536];
    std::size_t done = 0;
    while (same) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            same = n == 0 && done == bytes.size();
            break;
        }
        const auto got = static_cast<std::size_t>(n);
        same = got <= bytes.size() - done && std::memcmp(buffer, bytes.data() + done, got) == 0;
        done += got;
    }
    ::close(fd);
    return same;
}

std::optional<std::string> readBytes(const std::string& path, std::size_t limit) {
    ReadResult result = readFile(path, limit);
    if (result.status != ReadStatus::ok)
        return std::nullopt;
    return std::move(result.bytes);
}

std::optional<std::string> readUtf8(const std::string& path, std::size_t limit) {
    auto bytes = readBytes(path, limit);
    if (!bytes || !isValidUtf8(*bytes))
        return std::nullopt;
    return bytes;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const auto n = bytes.size();
    while (i < n) {
        // Configuration files are mostly ASCII: eight such bytes at a time.
        std::uint64_t eight = 0;
        if (i + sizeof eight <= n) {
            std::memcpy(&eight, bytes.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080ULL) == 0) {
                i += sizeof eight;
                continue;
            }
        }
        const auto scalar = unicode::decodeAt(bytes, i);
        if (unicode::isInvalid(scalar))
            return false;
        i += scalar.size;
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace moorkeep::files
