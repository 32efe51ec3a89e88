#include "config/ssh_command.h"

#include "config/config_syntax.h"

namespace moorkeep::SSHCommand {

namespace {

bool isPlain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("@%+=:,./_-").find(c) != std::string_view::npos;
}

std::string withDestination(std::string options, const std::string& destination) {
    std::string command = "ssh ";
    if (!options.empty())
        command += options + " ";
    if (!destination.empty() && destination.front() == '-')
        command += "-- ";
    return command + shellQuoted(destination);
}

} // namespace

std::string shellQuoted(const std::string& argument) {
    bool plain = true;
    for (char c : argument)
        plain = plain && isPlain(c);
    if (plain)
        return argument;
    std::string quoted = "'";
    for (char c : argument) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string destinationPattern(const std::string& alias) {
    const auto patterns = config::words(alias);
    for (const std::string& pattern : patterns)
        if (pattern.front() != '!' && pattern.find_first_of("*?") == std::string::npos)
            return pattern;
    return patterns.empty() ? alias : patterns.front();
}

std::string build(const SSHHost& host) {
    if (host.source == HostSource::config)
        return withDestination("", destinationPattern(host.alias));
    std::string destination = host.user.empty() ? host.hostname : host.user + "@" + host.hostname;
    const std::string port = host.port != 22 ? "-p " + std::to_string(host.port) : "";
    if (destination.empty())
        return port.empty() ? "ssh " : "ssh  " + port;
    // The port follows the destination as it always has, unless a "--" must
    // end the options before it.
    if (destination.front() == '-')
        return withDestination(port, destination);
    std::string command = "ssh " + shellQuoted(destination);
    if (!port.empty())
        command += " " + port;
    return command;
}

} // namespace moorkeep::SSHCommand
