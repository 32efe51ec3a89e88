#pragma once

#include <optional>
#include <string>
#include <string_view>

// The encodings and digests known_hosts files rely on, as OpenSSH computes them.
namespace moorkeep::knownhosts {

// Base64 decoded as OpenSSH's b64_pton does: white space anywhere is skipped,
// padding must be right and the unused bits of the last character zero.
// Nothing for text that breaks those rules or decodes to more than maxBytes.
std::optional<std::string> decodeBase64(std::string_view text, std::size_t maxBytes);
// With padding.
std::string encodeBase64(std::string_view bytes);

// HMAC-SHA1 of the text with the key; what a hashed host name holds.
std::string hmacSha1(std::string_view key, std::string_view text);

// "SHA256:" and the unpadded base64 of the SHA-256 of the key blob the base64
// text holds, as ssh-keygen -l prints it; nothing when the text is no base64.
std::optional<std::string> sha256Fingerprint(std::string_view keyBase64);

// The SHA-1 of the text in lower-case hex (OpenSSH's "%C").
std::string sha1Hex(std::string_view text);

} // namespace moorkeep::knownhosts
