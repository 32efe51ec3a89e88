#pragma once

#include "model/vault_data.h"
#include "process_runner.h"
#include "support/temp_dir.h"

#include <string>
#include <vector>

namespace moorkeep::test {

// The built program, as CMake knows it.
inline const std::string cliPath = MOORKEEPCTL_PATH;

// A test case name made from a command line: its words joined, other
// characters dropped, numbered to stay unique.
std::string caseName(const std::vector<std::string>& args, std::size_t index);

// The demo store, whatever the environment of the test says.
ProcessResult runDemo(const std::vector<std::string>& command, const std::string& input = "");

// A temporary home with an .ssh directory, and the program run on it
// (--home and --meta given, MOORKEEP_DEMO removed).
class CliHome {
public:
    CliHome();

    const std::string& home() const { return dir_.path(); }
    std::string sshPath(const std::string& name) const;
    std::string configPath() const { return sshPath("config"); }
    std::string metaPath() const { return dir_.file("meta.json"); }

    // The global options followed by the command.
    std::vector<std::string> args(const std::vector<std::string>& command) const;
    ProcessResult run(const std::vector<std::string>& command, const std::string& input = "") const;
    TerminalResult runOnTerminal(const std::vector<std::string>& command,
                                 const std::vector<TerminalStep>& steps) const;

    void writeConfig(const std::string& text) const;
    std::string config() const;

    // A key pair made by ssh-keygen; an empty passphrase leaves it
    // unprotected.
    void makeKey(const std::string& name, const std::string& passphrase = "",
                 const std::string& type = "ed25519") const;
    // Whether ssh-keygen can read the private key with this passphrase.
    bool keyOpensWith(const std::string& name, const std::string& passphrase) const;

    // `dump`, decoded; fails the test when it does not succeed or decode.
    VaultData snapshot() const;

private:
    TempDir dir_;
};

} // namespace moorkeep::test
