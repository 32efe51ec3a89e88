#include "keys/key_protection.h"

#include "model/secret_wipe.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

namespace moorkeep::KeyProtection {
namespace {

// Enough for the armour, a PEM file's headers and the start of the OpenSSH
// container, which names its cipher in its first few dozen bytes.
constexpr std::size_t headSize = 4096;
constexpr std::string_view containerMagic{"openssh-key-v1\0", 15};
// The magic, the cipher name's length and the longest cipher name, with room
// to spare; the rest is key material, which is not decoded.
constexpr std::size_t containerStart = 64;

struct Lines {
    std::string_view rest;

    std::optional<std::string_view> next() {
        if (rest.empty())
            return std::nullopt;
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        return line;
    }
};

// The first bytes the base64 lines hold (containerStart and a little more),
// up to the end of the armour; nothing when they are not base64.
std::string decodedStart(Lines lines) {
    constexpr std::size_t wanted = (containerStart + 2) / 3 * 4;
    std::string encoded;
    std::optional<std::string_view> line;
    while (encoded.size() < wanted && (line = lines.next()) && !line->starts_with("-----"))
        encoded += *line;
    encoded.resize(std::min(encoded.size(), wanted) / 4 * 4);
    std::string bytes(encoded.size() / 4 * 3, '\0');
    const int decoded = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                        reinterpret_cast<const unsigned char*>(encoded.data()),
                                        static_cast<int>(encoded.size()));
    bytes.resize(decoded < 0 ? 0 : static_cast<std::size_t>(decoded));
    return bytes;
}

// The OpenSSH container: its magic, then the cipher name as a string with a
// four-byte length; "none" leaves the key in the clear.
std::optional<bool> containerProtection(const std::string& bytes) {
    if (!bytes.starts_with(containerMagic) || bytes.size() < containerMagic.size() + 4)
        return std::nullopt;
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < 4; ++i)
        length = (length << 8) | static_cast<unsigned char>(bytes[containerMagic.size() + i]);
    const std::size_t start = containerMagic.size() + 4;
    if (length == 0 || bytes.size() - start < length)
        return std::nullopt;
    return bytes.compare(start, length, "none") != 0;
}

} // namespace

std::optional<bool> fromText(std::string_view head) {
    Lines lines{head};
    std::optional<std::string_view> line;
    while ((line = lines.next()) && !line->starts_with("-----BEGIN ")) {
    }
    if (!line || !line->ends_with("-----"))
        return std::nullopt;
    const std::string_view label = line->substr(11, line->size() - 16);
    if (label == "OPENSSH PRIVATE KEY")
        return containerProtection(decodedStart(lines));
    if (label == "ENCRYPTED PRIVATE KEY")
        return true;
    if (label == "PRIVATE KEY")
        return false;
    if (!label.ends_with(" PRIVATE KEY"))
        return std::nullopt;
    // The traditional PEM form: encryption is a header before the body.
    while ((line = lines.next()) && line->find(':') != std::string_view::npos)
        if (line->starts_with("Proc-Type:") && line->find("ENCRYPTED") != std::string_view::npos)
            return true;
    return false;
}

std::optional<bool> ofFile(const std::string& privateKeyPath) {
    const int fd = ::open(privateKeyPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::array<char, headSize> head{};
    std::size_t filled = 0;
    while (filled < head.size()) {
        const ssize_t count = ::read(fd, head.data() + filled, head.size() - filled);
        if (count <= 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    ::close(fd);
    const std::optional<bool> result = fromText(std::string_view(head.data(), filled));
    // The head of a key in the clear is key material.
    wipeBytes(head.data(), head.size());
    return result;
}

} // namespace moorkeep::KeyProtection
