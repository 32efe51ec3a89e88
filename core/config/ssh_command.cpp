#include "config/ssh_command.h"

namespace moorkeep::SSHCommand {

std::string build(const SSHHost& host) {
    if (host.source == HostSource::config)
        return "ssh " + host.alias;
    std::string command = "ssh ";
    if (!host.user.empty())
        command += host.user + "@";
    command += host.hostname;
    if (host.port != 22)
        command += " -p " + std::to_string(host.port);
    return command;
}

} // namespace moorkeep::SSHCommand
