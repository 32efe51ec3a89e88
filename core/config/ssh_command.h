#pragma once

#include "model/ssh_host.h"

#include <string>

namespace moorkeep::SSHCommand {

// The one-line shell command that connects to the host. Pasted into a POSIX
// shell it runs ssh to that host and nothing else: arguments are quoted where
// needed, and a destination that begins with "-" follows "--".
std::string build(const SSHHost& host);

// The name that reaches a configuration block from the command line: the
// first of its patterns that is neither negated nor a wildcard (the first
// pattern when none is).
std::string destinationPattern(const std::string& alias);

// The argument as a POSIX shell reads it back: unchanged when it holds only
// characters a shell leaves alone, else in single quotes.
std::string shellQuoted(const std::string& argument);

} // namespace moorkeep::SSHCommand
