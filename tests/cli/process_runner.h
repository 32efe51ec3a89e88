#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace moorkeep::test {

struct ProcessResult {
    int status = -1; // exit code, or 128 + the number of the ending signal
    std::string out;
    std::string err;
};

// Changes to this process's environment for the child: a value sets the
// variable, nothing removes it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// Runs the program with the arguments, feeding input to its standard input
// and collecting its standard output and error.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = "", const EnvironmentChanges& changes = {});

// One exchange on a terminal: wait until the screen shows `expect`, then
// type `send`.
struct TerminalStep {
    std::string expect;
    std::string send;
};

struct TerminalResult {
    int status = -1;
    std::string screen; // everything the program wrote to its terminal
};

// Runs the program on a new pseudo-terminal that becomes its controlling
// terminal (its standard streams included), following the steps in order. A
// step whose text never appears fails the test instead of hanging it.
TerminalResult runOnTerminal(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<TerminalStep>& steps,
                             const EnvironmentChanges& changes = {});

} // namespace moorkeep::test
