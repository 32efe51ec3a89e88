#pragma once

#include "model/vault_data.h"

namespace moorkeep::test {

// Three hosts (two from the configuration, one stored by the application),
// two keys and defaults: the snapshot most app tests start from.
VaultData sampleVault();

SSHHost configHost(const std::string& alias, std::optional<std::string> keyId = std::nullopt);
SSHHost userHost(const std::string& alias);
SSHKey sampleKey(const std::string& file, const std::string& name);

} // namespace moorkeep::test
