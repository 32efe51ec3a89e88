#pragma once

#include "model/ssh_host.h"

#include <cstdint>
#include <optional>
#include <string>

namespace moorkeep {

// The values of the Host * block. A default-constructed value stands for no
// defaults at all.
struct Defaults {
    std::string user;
    std::int64_t port = 22;
    std::string keyId;
    std::optional<std::string> proxyJump;
    OptionMap extraOptions;
    std::optional<std::string> sourceFile;

    bool operator==(const Defaults&) const = default;
};

} // namespace moorkeep
