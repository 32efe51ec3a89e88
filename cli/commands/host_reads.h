#pragma once

#include "arguments.h"
#include "model/vault_data.h"

#include <optional>
#include <string>

namespace moorkeep::cli {

class Session;

// The host commands that only read: host list, show, command and connect.
namespace hostreads {

int list(Session& session, const ParsedArguments& args);
int show(Session& session, const ParsedArguments& args);
int command(Session& session, const ParsedArguments& args);
int connectTo(Session& session, const ParsedArguments& args);

// The snapshot to look the host named by text up in (and the one it is
// renamed to): only the hosts of that alias when the text is one.
const VaultData& dataToFind(Session& session, const std::string& text,
                            const std::optional<std::string>& newAlias = std::nullopt);

} // namespace hostreads
} // namespace moorkeep::cli
