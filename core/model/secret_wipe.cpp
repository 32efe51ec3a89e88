#include "model/secret_wipe.h"

#include <string.h>

namespace moorkeep {

void wipeBytes(void* data, std::size_t size) {
    explicit_bzero(data, size);
}

void wipeSecret(std::string& secret) {
    wipeBytes(secret.data(), secret.capacity());
    secret.clear();
}

} // namespace moorkeep
