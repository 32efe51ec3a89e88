#pragma once

#include "model/record_json.h"
#include "model/vault_data.h"
#include "support/key_files.h"
#include "support/ssh_view.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep::test {

// The built program, as CMake knows it.
inline const std::string cliPath = MOORKEEPCTL_PATH;

using testing::HasSubstr;

// The program and its arguments, as exec wants them.
struct Argv {
    std::vector<std::string> texts;
    std::vector<char*> pointers;
    Argv(const std::string& program, const std::vector<std::string>& args);
};

struct ProcessResult {
    int status = -1; // exit code, or 128 + the number of the ending signal
    std::string out; // on a terminal: everything the program wrote to it
    std::string err;
};

// Runs the program in a session of its own (so without a controlling
// terminal), with input as its standard input and MOORKEEP_DEMO set to
// `demo`, or removed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = "",
                         const std::optional<std::string>& demo = std::nullopt);

// The same, with standard input read from a file (such as /dev/zero).
ProcessResult runProcessReading(const std::string& program, const std::vector<std::string>& args,
                                const std::string& inputPath,
                                const std::optional<std::string>& demo = std::nullopt);

// One exchange on a terminal: wait until the screen shows `expect`, then
// type `send`.
struct TerminalStep {
    std::string expect;
    std::string send;
};

// The demo store, whatever the environment of the test says.
ProcessResult runDemo(const std::vector<std::string>& command, const std::string& input = "");

// The JSON a successful command printed, decoded; output that does not
// decode throws, which fails the test.
template <typename T> T decoded(const ProcessResult& result) {
    EXPECT_EQ(result.status, 0) << result.err;
    return nlohmann::json::parse(result.out).get<T>();
}

// A temporary home with an .ssh directory, and the program run on it
// (--home and --meta given, MOORKEEP_DEMO removed).
class CliHome {
public:
    CliHome();

    const std::string& home() const { return dir_.path(); }
    std::string sshPath(const std::string& name) const { return dir_.file(".ssh/" + name); }
    std::string configPath() const { return sshPath("config"); }
    std::string metaPath() const { return dir_.file("meta.json"); }

    // The global options followed by the command, after `before` (another
    // program's arguments ending with this one's path, when it runs this one).
    std::vector<std::string> args(const std::vector<std::string>& command,
                                  std::vector<std::string> before = {}) const;
    ProcessResult run(const std::vector<std::string>& command, const std::string& input = "") const;
    // Runs a change that must succeed without a word.
    void change(const std::vector<std::string>& command, const std::string& input = "") const;
    // Runs a change that must fail with the status and a message holding
    // `reason`, printing nothing on standard output and leaving the
    // configuration file as it was.
    ProcessResult refused(const std::vector<std::string>& command, int status,
                          const std::string& reason, const std::string& input = "") const;
    // Runs the command on a new pseudo-terminal that becomes its controlling
    // terminal, following the steps in order; a step whose text never
    // appears fails the test instead of hanging it. An orphaned program runs
    // in a background group whose parent has left, where the terminal's
    // settings cannot be changed.
    ProcessResult runOnTerminal(const std::vector<std::string>& command,
                                const std::vector<TerminalStep>& steps,
                                bool orphaned = false) const;

    void writeConfig(const std::string& text) const { writeFile(configPath(), text); }
    std::string config() const { return readFile(configPath()); }
    // The first value `ssh -G` gives the host for one keyword ("" when it has
    // none).
    std::string ssh(const std::string& host, const std::string& keyword) const;

    // An ed25519 key pair made by ssh-keygen; an empty passphrase leaves it
    // unprotected.
    void makeKey(const std::string& name, const std::string& passphrase = "") const {
        makeKeyPair(sshPath(name), "ed25519", passphrase);
    }
    // Whether ssh-keygen can read the private key with this passphrase.
    bool keyOpensWith(const std::string& name, const std::string& passphrase) const;

    // `dump`, decoded, and a key found in it (a missing one fails the test).
    VaultData snapshot() const { return decoded<VaultData>(run({"dump"})); }
    SSHKey key(const std::string& file) const;

private:
    TempDir dir_;
};

// Tests on one temporary home.
class CliTest : public testing::Test {
protected:
    CliHome home;
};

} // namespace moorkeep::test
