#pragma once

#include "model/host_evaluation.h"
#include "model/host_source.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace moorkeep {

using OptionMap = std::map<std::string, std::string>;

// One host entry, with the values OpenSSH uses for it.
struct SSHHost {
    std::string id;
    std::string alias;
    std::string hostname;
    std::string user;
    std::int64_t port = 22;
    // Empty in a change: no key of its own, every IdentityFile line of the
    // block removed.
    std::optional<std::string> keyId;
    std::optional<std::string> proxyJump;
    OptionMap extraOptions;
    HostSource source = HostSource::config;
    // For a configuration host: what else OpenSSH's evaluation of it says.
    // Not stored anywhere; every reading of the configuration fills it in.
    HostFacts facts = {};

    bool operator==(const SSHHost&) const = default;
};

} // namespace moorkeep
