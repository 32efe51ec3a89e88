#pragma once

#include "model/ssh_host.h"

#include <string>

namespace moorkeep::SSHCommand {

// The one-line shell command that connects to the host.
std::string build(const SSHHost& host);

} // namespace moorkeep::SSHCommand
