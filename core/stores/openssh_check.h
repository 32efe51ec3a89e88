#pragma once

#include <optional>
#include <string>
#include <string_view>

// Asks OpenSSH itself whether it accepts a configuration text, before that
// text replaces a file: `ssh -G` reads a private copy, with a time limit.
namespace moorkeep::OpenSSHCheck {

inline constexpr const char* sshPath = "/usr/bin/ssh";
inline constexpr double limitSeconds = 5;

struct Request {
    std::string sshPath = OpenSSHCheck::sshPath;
    std::string shownPath;   // the real file, as messages name it
    bool included = false;   // read through a one-line file that includes it
    std::string destination; // the host name ssh evaluates the text for
};

// OpenSSH's complaint about the text, its copy's path replaced by the shown
// path; nothing when it accepts the text or cannot be asked (no ssh).
std::optional<std::string> complaint(const Request& request, std::string_view text);

// Throws FileError, with OpenSSH's own words, when OpenSSH accepts the
// current text (a missing file counts as accepted) and rejects the next one.
// A file it already rejects cannot judge the change, which then goes ahead.
void checkReplacement(const Request& request, const std::optional<std::string>& current,
                      const std::string& next);

} // namespace moorkeep::OpenSSHCheck
