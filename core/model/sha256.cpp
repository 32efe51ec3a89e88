// OpenSSL 3 marks its direct SHA-256 calls deprecated in favour of the EVP
// interface, whose first use loads the algorithm providers: about a
// millisecond of every process that digests anything, longer than all its
// digests together. The direct calls compute the same digest without them.
#define OPENSSL_API_COMPAT 10101

#include "model/sha256.h"

#include <openssl/sha.h>

namespace moorkeep {

Sha256Digest sha256(std::string_view bytes) {
    static_assert(Sha256Digest().size() == SHA256_DIGEST_LENGTH);
    Sha256Digest digest{};
    SHA256_CTX context;
    SHA256_Init(&context);
    SHA256_Update(&context, bytes.data(), bytes.size());
    SHA256_Final(digest.data(), &context);
    return digest;
}

} // namespace moorkeep
