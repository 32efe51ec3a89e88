#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

// Records built from the fields that matter to a test, the rest left at
// their defaults.
namespace moorkeep::test {

inline SSHHost host(std::string alias, std::string hostname = "", std::string user = "",
                    std::int64_t port = 22, std::optional<std::string> keyId = {},
                    std::optional<std::string> proxyJump = {}, OptionMap extraOptions = {},
                    HostSource source = HostSource::config, std::string id = "") {
    return {id, alias, hostname, user, port, keyId, proxyJump, extraOptions, source};
}

inline Defaults defaults(std::string user = "", std::int64_t port = 22, std::string keyId = "",
                         std::optional<std::string> proxyJump = {}, OptionMap extraOptions = {}) {
    return {user, port, keyId, proxyJump, extraOptions, std::nullopt};
}

// A key as the display-name operation reads it: only id and name count.
inline SSHKey namedKey(std::string id, std::string name) {
    SSHKey key;
    key.id = std::move(id);
    key.name = std::move(name);
    return key;
}

} // namespace moorkeep::test
