#include "openssh/ssh_command.h"

#include "reading/config_syntax.h"

#include <algorithm>
#include <stdexcept>

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

// What of the destination begins it: the alias of a configuration host,
// else the user when there is one, else the host name.
std::string destinationPart(const SSHHost& host) {
    if (host.source == HostSource::config)
        return "alias";
    return host.user.empty() ? "host name" : "user";
}

// ssh-copy-id runs `eval $GET_ID` on `cat "PATH"`: the words are split at
// blanks and joined with one space, each may expand as a file pattern, and
// the eval reads what double quotes leave special. What in the path it
// would misread, and as what.
std::optional<std::string> pathMisreading(const std::string& path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        const std::string quoted = "\"" + std::string(1, c) + "\"";
        if (std::string_view("\"$`\\").find(c) != std::string_view::npos)
            return quoted + " as shell code";
        if (std::string_view("*?[").find(c) != std::string_view::npos)
            return quoted + " as a file name pattern";
        if (c == '\t' || c == '\n')
            return std::string(c == '\t' ? "tab" : "line break") + " as a space";
        if (c == ' ' && i + 1 < path.size() && path[i + 1] == ' ')
            return std::string("two spaces in a row as one");
    }
    return std::nullopt;
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
    // Nearly every alias is one word, which is its own destination.
    if (std::none_of(alias.begin(), alias.end(), config::isSpace))
        return alias;
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

std::optional<std::string> copyIdRefusal(const SSHHost& host, const std::string& publicKeyPath) {
    const Target target = targetOf(host);
    if (needsEndOfOptions(target.destination))
        return "ssh-copy-id would hand \"" + target.destination +
               "\" to ssh as an option, because the " + destinationPart(host) +
               " begins with \"-\". Nothing was run.";
    if (auto misreading = pathMisreading(publicKeyPath))
        return "ssh-copy-id would misread the key's path " + publicKeyPath +
               ": it would read the " + *misreading +
               ". Rename the key's files to install it. Nothing was run.";
    return std::nullopt;
}

std::vector<std::string> copyIdArguments(const SSHHost& host, const std::string& publicKeyPath) {
    if (auto refusal = copyIdRefusal(host, publicKeyPath))
        throw std::invalid_argument(*refusal);
    // ssh-copy-id reads its options only up to the destination, which
    // therefore comes last.
    const Target target = targetOf(host);
    std::vector<std::string> arguments{"ssh-copy-id", "-i", publicKeyPath};
    arguments.insert(arguments.end(), target.options.begin(), target.options.end());
    arguments.push_back(target.destination);
    return arguments;
}

} // namespace moorkeep::SSHCommand
