#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "stores/vault_store.h"

#include <optional>
#include <string>
#include <string_view>

// The block edits behind the writer's text and file forms; nothing when the
// block is not in the text. An edit rewrites only the field groups whose
// value differs between `original` (the record as the files give it now) and
// the record saved; every other line of the block stays byte for byte.
namespace moorkeep::config {

std::optional<std::string> editHostBlock(std::string_view in, const SSHHost& host,
                                         const SSHHost& original,
                                         const std::optional<std::string>& originalAlias,
                                         const Defaults& defaults, const KeyIdToPath& keyIdToPath);
std::optional<std::string> removeHostBlock(std::string_view in, std::string_view alias);
std::optional<std::string> editDefaultsBlock(std::string_view in, const Defaults& defaults,
                                             const Defaults& original,
                                             const KeyIdToPath& keyIdToPath);

// The record of the host block and the defaults as the text alone gives them
// (Include lines not followed), for callers that have no record of their own.
std::optional<SSHHost> hostInText(std::string_view in, std::string_view alias,
                                  const KeyIdToPath& keyIdToPath);
Defaults defaultsInText(std::string_view in, const KeyIdToPath& keyIdToPath);

} // namespace moorkeep::config
