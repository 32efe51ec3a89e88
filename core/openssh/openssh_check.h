#pragma once

#include "files/file_error.h"
#include "keys/key_tool.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Asks OpenSSH itself whether it accepts a configuration text, before that
// text replaces a file: `ssh -G` reads a private copy, with a time limit and
// a memory ceiling.
//
// What the check covers: every line OpenSSH reads for the destination, in
// the file and the files it includes, as `ssh -G` parses and evaluates them.
// What it does not: `Match exec` commands never run during a check (they see
// a shell that runs nothing, so their blocks count as not matching), blocks
// for other destinations are parsed but not evaluated, and nothing is
// connected to. A configuration that reads a file that is not a plain file
// on disk is not checked at all (see unsafeInput).
namespace moorkeep::OpenSSHCheck {

class StartedCheck;

inline constexpr const char* sshPath = "/usr/bin/ssh";
inline constexpr double limitSeconds = 5;
// The destination a check evaluates when the edited name is not one that
// ssh takes on its command line, or no one host is concerned: a name only
// wildcard blocks reach, so what OpenSSH uses for it is what the defaults
// give.
inline constexpr const char* anyHost = "moorkeep-check.invalid";

struct Request {
    std::string sshPath = OpenSSHCheck::sshPath;
    std::string shownPath;   // the real file, as messages name it
    bool included = false;   // read through a one-line file that includes it
    std::string destination; // the host name ssh evaluates the text for
};

// The ssh program to ask: the configured one, else the one beside the key
// tool (where ssh-keygen is found); nothing when neither can run.
std::optional<std::string> findSsh(const std::string& configured, const std::string& keyToolPath);

// The first of the files that is not a plain file on disk (a FIFO, a device,
// a file of /proc or /sys) or is larger than 16 MiB: ssh would read it
// without end, or wait on it.
std::optional<std::string> unsafeInput(const std::vector<std::string>& files);

// Runs `ssh -G` on the file for the destination as every check does: with
// its time and memory limits, no terminal asked for, and a shell that runs
// nothing for Match exec. The options follow the file.
KeyToolResult runCheck(const std::string& ssh, const std::string& file,
                       const std::string& destination, const std::vector<std::string>& options = {},
                       double limit = limitSeconds);

// The host name a check evaluates for the destination: the destination
// itself, unless ssh would refuse it on its command line.
std::string checkedDestination(const std::string& destination);

// Removes the folders of checks that an ended process left behind, once no
// check still running can own them.
void sweepStaleChecks();

// OpenSSH's refusal of a changed text.
class Rejection : public FileError {
public:
    using FileError::FileError;
};

// Throws Rejection, with OpenSSH's own words, when OpenSSH rejects the next
// text for a reason the current text does not share (a missing file counts
// as accepted): errors already in the file do not block a change, new ones
// always do. Returns a sentence for the user when OpenSSH could not be asked.
// A started check, when given, is the one that reads the next text; it must
// be for the request's ssh and destination.
std::optional<std::string> checkReplacement(const Request& request,
                                            const std::optional<std::string>& current,
                                            const std::string& next,
                                            StartedCheck* started = nullptr);

} // namespace moorkeep::OpenSSHCheck
