#include "keys/ssh_wire.h"

#include "model/sha256.h"

#include <array>
#include <openssl/evp.h>

namespace moorkeep::keys {
namespace {

// OpenSSH refuses larger integers (SSHBUF_MAX_BIGNUM).
constexpr std::size_t largestInteger = 16384 / 8;

int sextet(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::optional<std::uint32_t> WireReader::u32() {
    if (rest_.size() < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(rest_[static_cast<std::size_t>(i)]);
    rest_.remove_prefix(4);
    return value;
}

std::optional<std::uint64_t> WireReader::u64() {
    auto high = u32();
    auto low = high ? u32() : std::nullopt;
    if (!low)
        return std::nullopt;
    return (std::uint64_t{*high} << 32) | *low;
}

std::optional<std::string_view> WireReader::string() {
    auto length = u32();
    if (!length || rest_.size() < *length)
        return std::nullopt;
    std::string_view value = rest_.substr(0, *length);
    rest_.remove_prefix(*length);
    return value;
}

std::optional<int> WireReader::mpintBits() {
    auto bytes = string();
    if (!bytes)
        return std::nullopt;
    if (!bytes->empty() && (static_cast<unsigned char>(bytes->front()) & 0x80) != 0)
        return std::nullopt; // negative
    if (bytes->size() > largestInteger + 1 ||
        (bytes->size() == largestInteger + 1 && bytes->front() != 0))
        return std::nullopt;
    std::string_view digits = *bytes;
    while (!digits.empty() && digits.front() == 0)
        digits.remove_prefix(1);
    if (digits.empty())
        return 0;
    int bits = static_cast<int>(digits.size() - 1) * 8;
    for (unsigned top = static_cast<unsigned char>(digits.front()); top != 0; top >>= 1)
        ++bits;
    return bits;
}

bool WireReader::skip(int strings) {
    for (int i = 0; i < strings; ++i)
        if (!string())
            return false;
    return true;
}

std::optional<std::string> decodeBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        const bool last = at + 4 == text.size();
        const std::size_t padding =
            last ? (text[at + 3] == '=') + (text[at + 2] == '=' && text[at + 3] == '=') : 0;
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const int value = i < 4 - padding ? sextet(text[at + i]) : 0;
            if (value < 0)
                return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        // Bits the padding leaves over must be zero, as OpenSSH's decoder wants.
        if ((padding == 1 && (group & 0xff) != 0) || (padding == 2 && (group & 0xffff) != 0))
            return std::nullopt;
        for (std::size_t i = 0; i < 3 - padding; ++i)
            bytes += static_cast<char>((group >> (16 - 8 * i)) & 0xff);
    }
    return bytes;
}

std::string sha256Fingerprint(std::string_view blob) {
    const Sha256Digest digest = sha256(blob);
    std::array<unsigned char, 4 * ((digest.size() + 2) / 3) + 1> encoded{};
    const int length =
        EVP_EncodeBlock(encoded.data(), digest.data(), static_cast<int>(digest.size()));
    std::string text(reinterpret_cast<const char*>(encoded.data()),
                     static_cast<std::size_t>(length));
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    return "SHA256:" + text;
}

} // namespace moorkeep::keys
