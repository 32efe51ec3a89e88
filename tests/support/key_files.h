#pragma once

#include <optional>
#include <string>
#include <vector>

// Key helpers that go through the shell and the real ssh-keygen, so that what
// they report does not depend on the code under test.
namespace moorkeep::test {

// Makes a key pair with the real ssh-keygen: path and path.pub.
void makeKeyPair(const std::string& privatePath, const std::string& type = "ed25519",
                 const std::string& passphrase = "");

// The fingerprint field of what `ssh-keygen -lf` prints for the file.
std::string printedFingerprint(const std::string& publicPath);
// Its size field; nothing when it prints none.
std::optional<int> printedBits(const std::string& publicPath);

// An executable script in the directory that appends each call's arguments
// as one line to logPath and then runs the real program (ssh-keygen unless
// another is named): a key tool whose runs a test can count.
std::string recordingKeyTool(const std::string& directory, const std::string& logPath,
                             const std::string& program = "/usr/bin/ssh-keygen");

// An executable script in the directory that runs the real program (ssh-keygen
// unless another is named) after appending to snapshotPath what /proc shows of
// its own process, the environment and command line the program gets; and
// that, when the program is to ask an askpass helper, has the helper's run
// first append the same of the helper (as the helper runs, through exec) and
// of its parent, the program, while it waits for the answer. Each process's
// record ends with a line "askpass" or "tool"; nothing else changes.
std::string watchingKeyTool(const std::string& directory, const std::string& snapshotPath,
                            const std::string& program = "/usr/bin/ssh-keygen");

// What a shell command prints on standard output, whole (its errors dropped).
std::string commandOutput(const std::string& command);
// What a shell command prints on standard output, its own redirections as
// they are.
std::string shellOutput(const std::string& command);

// The lines of a file (none when missing).
std::vector<std::string> fileLines(const std::string& path);

} // namespace moorkeep::test
