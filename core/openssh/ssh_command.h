#pragma once

#include "model/ssh_host.h"

#include <optional>
#include <string>
#include <vector>

namespace moorkeep::SSHCommand {

// The arguments that connect to the host, "ssh" first, to be run without a
// shell: the alias for a host of the configuration, else the user, host name
// and port spelled out. A destination that begins with "-" follows "--".
std::vector<std::string> arguments(const SSHHost& host);

// The one-line shell command that connects to the host: the arguments
// above, joined. Pasted into a POSIX shell it runs ssh to that host and
// nothing else.
std::string build(const SSHHost& host);

// Why ssh-copy-id would misread the host or the public key's path, as the
// user is told; nothing when it takes both as given. It drops a "--" and
// hands its destination to ssh as an option when it begins with "-", and
// reads the path through an eval, inside double quotes and split into words.
std::optional<std::string> copyIdRefusal(const SSHHost& host, const std::string& publicKeyPath);

// The arguments that install a public key on the host, "ssh-copy-id" first:
// the key's public file, then the host reached as ssh reaches it. Throws
// std::invalid_argument with the copyIdRefusal, when there is one.
std::vector<std::string> copyIdArguments(const SSHHost& host, const std::string& publicKeyPath);

// The name that reaches a configuration block from the command line: the
// first of its patterns that is neither negated nor a wildcard (the first
// pattern when none is).
std::string destinationPattern(const std::string& alias);

// The argument as a POSIX shell reads it back: unchanged when it holds only
// characters a shell leaves alone, else in single quotes.
std::string shellQuoted(const std::string& argument);

// The arguments as one line, each shellQuoted, separated by spaces.
std::string joined(const std::vector<std::string>& arguments);

} // namespace moorkeep::SSHCommand
