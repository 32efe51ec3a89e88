#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/vault_store.h"

#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::config {

// The directive lines of a host block below its header: only the values that
// the defaults do not already give, extra options sorted by key.
std::vector<std::string> renderHostBody(const SSHHost& host, const Defaults& defaults,
                                        const KeyIdToPath& keyIdToPath,
                                        std::string_view indentation);

// The directive lines of the Host * block.
std::vector<std::string> renderDefaultsBody(const Defaults& defaults,
                                            const KeyIdToPath& keyIdToPath,
                                            std::string_view indentation);

} // namespace moorkeep::config
