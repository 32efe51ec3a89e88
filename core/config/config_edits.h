#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/vault_store.h"

#include <optional>
#include <string>
#include <string_view>

// The block edits behind the writer's text and file forms; nothing when the
// block is not in the text.
namespace moorkeep::config {

std::optional<std::string> editHostBlock(std::string_view in, const SSHHost& host,
                                         const std::optional<std::string>& originalAlias,
                                         const Defaults& defaults, const KeyIdToPath& keyIdToPath);
std::optional<std::string> removeHostBlock(std::string_view in, std::string_view alias);
std::optional<std::string> editDefaultsBlock(std::string_view in, const Defaults& defaults,
                                             const KeyIdToPath& keyIdToPath);

} // namespace moorkeep::config
