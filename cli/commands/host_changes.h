#pragma once

#include "arguments.h"

namespace moorkeep::cli {

class Session;

// The host commands that change the configuration: host add, edit, move and rm.
namespace hostchanges {

int add(Session& session, const ParsedArguments& args);
int edit(Session& session, const ParsedArguments& args);
int move(Session& session, const ParsedArguments& args);
int remove(Session& session, const ParsedArguments& args);

} // namespace hostchanges
} // namespace moorkeep::cli
