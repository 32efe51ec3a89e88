#include "config/ssh_command.h"

#include "config/config_syntax.h"

namespace moorkeep::SSHCommand {

namespace {

bool isPlain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("@%+=:,./_-").find(c) != std::string_view::npos;
}

// The options and the destination that reach the host, for ssh and for the
// tools that take ssh's.
struct Target {
    std::vector<std::string> options;
    std::string destination;
};

Target targetOf(const SSHHost& host) {
    if (host.source == HostSource::config)
        return {{}, destinationPattern(host.alias)};
    Target target{{}, host.user.empty() ? host.hostname : host.user + "@" + host.hostname};
    if (host.port != 22)
        target.options = {"-p", std::to_string(host.port)};
    return target;
}

bool needsEndOfOptions(const std::string& destination) {
    return !destination.empty() && destination.front() == '-';
}

// Options, then "--" when the destination would read as an option, then the
// destination.
void appendOptionsFirst(std::vector<std::string>& arguments, const Target& target) {
    arguments.insert(arguments.end(), target.options.begin(), target.options.end());
    if (needsEndOfOptions(target.destination))
        arguments.push_back("--");
    arguments.push_back(target.destination);
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

std::string joined(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (&argument != &arguments.front())
            text += ' ';
        text += shellQuoted(argument);
    }
    return text;
}

std::string destinationPattern(const std::string& alias) {
    const auto patterns = config::words(alias);
    for (const std::string& pattern : patterns)
        if (pattern.front() != '!' && pattern.find_first_of("*?") == std::string::npos)
            return pattern;
    return patterns.empty() ? alias : patterns.front();
}

std::vector<std::string> arguments(const SSHHost& host) {
    const Target target = targetOf(host);
    std::vector<std::string> arguments{"ssh"};
    // The port follows the destination as it always has, unless a "--" must
    // end the options before it.
    if (needsEndOfOptions(target.destination)) {
        appendOptionsFirst(arguments, target);
        return arguments;
    }
    arguments.push_back(target.destination);
    arguments.insert(arguments.end(), target.options.begin(), target.options.end());
    return arguments;
}

std::string build(const SSHHost& host) {
    return joined(arguments(host));
}

std::vector<std::string> copyIdArguments(const SSHHost& host, const std::string& publicKeyPath) {
    // ssh-copy-id reads its options only up to the destination.
    std::vector<std::string> arguments{"ssh-copy-id", "-i", publicKeyPath};
    appendOptionsFirst(arguments, targetOf(host));
    return arguments;
}

} // namespace moorkeep::SSHCommand
