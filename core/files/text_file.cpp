#include "files/text_file.h"

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
        auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        char32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are invalid.
        if ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800) ||
            (length == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace moorkeep::files
