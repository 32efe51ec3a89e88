#include "model/short_digest.h"

#include <array>
#include <memory>
#include <openssl/evp.h>
#include <openssl/sha.h>

namespace moorkeep {
namespace {

using Digest = std::array<unsigned char, SHA256_DIGEST_LENGTH>;

// A load digests every host alias. The one-shot SHA256() looks the algorithm
// up anew each time, which costs more than the hashing itself, so the
// algorithm is fetched once and each thread reuses one context.
bool digestWithContext(std::string_view text, Digest& digest) {
    static EVP_MD* const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(
        EVP_MD_CTX_new(), EVP_MD_CTX_free);
    return sha256 && context && EVP_DigestInit_ex2(context.get(), sha256, nullptr) == 1 &&
           EVP_DigestUpdate(context.get(), text.data(), text.size()) == 1 &&
           EVP_DigestFinal_ex(context.get(), digest.data(), nullptr) == 1;
}

} // namespace

std::string shortDigest(std::string_view text) {
    Digest digest{};
    if (!digestWithContext(text, digest))
        SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest.data());
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (std::size_t i = 0; i < 8; ++i) {
        out[2 * i] = hex[digest[i] >> 4];
        out[2 * i + 1] = hex[digest[i] & 0x0f];
    }
    return out;
}

} // namespace moorkeep
