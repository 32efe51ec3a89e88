#include "model/short_digest.h"

#include "model/sha256.h"

namespace moorkeep {

std::string shortDigest(std::string_view text) {
    const Sha256Digest digest = sha256(text);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (std::size_t i = 0; i < 8; ++i) {
        out[2 * i] = hex[digest[i] >> 4];
        out[2 * i + 1] = hex[digest[i] & 0x0f];
    }
    return out;
}

} // namespace moorkeep
