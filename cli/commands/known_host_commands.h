#pragma once

#include "arguments.h"
#include "command_table.h"

namespace moorkeep::cli {

class Session;

// host known and host forget: the keys OpenSSH trusts for a host, from its
// known_hosts files, and removing them.
namespace knownhostcommands {

int known(Session& session, const ParsedArguments& args);
int forget(Session& session, const ParsedArguments& args);

// The two commands' entries in the host group.
extern const Command knownCommand;
extern const Command forgetCommand;

} // namespace knownhostcommands
} // namespace moorkeep::cli
