#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The pieces of OpenSSH's binary key formats: big-endian integers and
// length-prefixed strings, the base64 that carries them in text files, and
// the fingerprint ssh-keygen prints for a key blob.
namespace moorkeep::keys {

class WireReader {
public:
    explicit WireReader(std::string_view bytes)
        : rest_(bytes) {}

    std::optional<std::uint32_t> u32();
    std::optional<std::uint64_t> u64();
    std::optional<std::string_view> string();
    // A string holding a non-negative multiple-precision integer as
    // OpenSSH accepts it (at most 16384 bits); its size in bits.
    std::optional<int> mpintBits();
    // Skips strings; false when one is cut short.
    bool skip(int strings);
    bool atEnd() const { return rest_.empty(); }
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

// Base64 as OpenSSH reads it: the standard alphabet, padded to whole
// quadruples, unused bits zero; nothing for anything else.
std::optional<std::string> decodeBase64(std::string_view text);

// "SHA256:" and the unpadded base64 of the blob's SHA-256 digest.
std::string sha256Fingerprint(std::string_view blob);

} // namespace moorkeep::keys
