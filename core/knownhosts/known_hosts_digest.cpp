#include "knownhosts/known_hosts_digest.h"

#include <array>
#include <memory>
#include <openssl/evp.h>

namespace moorkeep::knownhosts {

namespace {

constexpr std::string_view alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int valueOf(char c) {
    const auto at = alphabet.find(c);
    return at == std::string_view::npos ? -1 : int(at);
}

// After the first "=": what may follow it for the characters read so far.
bool paddingIsRight(std::string_view rest, int state) {
    std::size_t at = 0;
    auto skipSpace = [&] {
        while (at < rest.size() && isCSpace(rest[at]))
            ++at;
    };
    if (state < 2)
        return false;
    if (state == 2) {
        skipSpace();
        if (at == rest.size() || rest[at] != '=')
            return false;
        ++at;
    }
    skipSpace();
    return at == rest.size();
}

// A large file hashes one name per hashed line: the algorithms are fetched
// once, and each thread reuses one context.
using Digest = std::array<unsigned char, EVP_MAX_MD_SIZE>;

std::string digest(const char* algorithm, std::initializer_list<std::string_view> parts) {
    static EVP_MD* const sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(
        EVP_MD_CTX_new(), EVP_MD_CTX_free);
    const EVP_MD* md = std::string_view(algorithm) == "SHA1" ? sha1 : sha256;
    Digest out{};
    unsigned int size = 0;
    if (!md || !context || EVP_DigestInit_ex2(context.get(), md, nullptr) != 1)
        return {};
    for (std::string_view part : parts)
        if (EVP_DigestUpdate(context.get(), part.data(), part.size()) != 1)
            return {};
    if (EVP_DigestFinal_ex(context.get(), out.data(), &size) != 1)
        return {};
    return std::string(reinterpret_cast<const char*>(out.data()), size);
}

} // namespace

std::optional<std::string> decodeBase64(std::string_view text, std::size_t maxBytes) {
    std::string out;
    unsigned bits = 0;
    int state = 0;
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (isCSpace(c))
            continue;
        if (c == '=')
            break;
        const int value = valueOf(c);
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | unsigned(value);
        if (state > 0) {
            if (out.size() >= maxBytes)
                return std::nullopt;
            out.push_back(char((bits >> (2 * (3 - state))) & 0xff));
        }
        state = (state + 1) % 4;
    }
    if (at == text.size())
        return state == 0 ? std::optional(out) : std::nullopt;
    // The bits of a partial last byte must be zero.
    const unsigned leftover = state < 2 ? 0 : bits & ((1u << (2 * (4 - state))) - 1);
    if (!paddingIsRight(text.substr(at + 1), state) || leftover != 0)
        return std::nullopt;
    return out;
}

std::string encodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned chunk = 0;
        for (std::size_t j = 0; j < 3; ++j)
            chunk = (chunk << 8) | (j < n ? static_cast<unsigned char>(bytes[i + j]) : 0u);
        for (std::size_t j = 0; j < 4; ++j)
            out.push_back(j <= n ? alphabet[(chunk >> (18 - 6 * j)) & 0x3f] : '=');
    }
    return out;
}

std::string hmacSha1(std::string_view key, std::string_view text) {
    constexpr std::size_t block = 64;
    std::string shortKey = key.size() > block ? digest("SHA1", {key}) : std::string(key);
    shortKey.resize(block, '\0');
    std::string inner(block, '\0');
    std::string outer(block, '\0');
    for (std::size_t i = 0; i < block; ++i) {
        inner[i] = char(shortKey[i] ^ 0x36);
        outer[i] = char(shortKey[i] ^ 0x5c);
    }
    return digest("SHA1", {outer, digest("SHA1", {inner, text})});
}

std::optional<std::string> sha256Fingerprint(std::string_view keyBase64) {
    const auto blob = decodeBase64(keyBase64, keyBase64.size());
    if (!blob || blob->empty())
        return std::nullopt;
    std::string encoded = encodeBase64(digest("SHA256", {*blob}));
    while (!encoded.empty() && encoded.back() == '=')
        encoded.pop_back();
    return "SHA256:" + encoded;
}

std::string sha1Hex(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : digest("SHA1", {text})) {
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 0x0f]);
    }
    return out;
}

} // namespace moorkeep::knownhosts
