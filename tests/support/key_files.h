#pragma once

#include <string>
#include <vector>

namespace moorkeep::test {

// Runs a program with its arguments (no shell) and returns its exit status.
int runProgram(const std::vector<std::string>& argv);

// Makes a key pair with the real ssh-keygen: path and path.pub.
void makeKeyPair(const std::string& privatePath, const std::string& type = "ed25519",
                 const std::string& passphrase = "");

// An executable script in the directory that appends each call's arguments
// as one line to logPath and then runs the real ssh-keygen: a key tool whose
// runs a test can count.
std::string recordingKeyTool(const std::string& directory, const std::string& logPath);

// The number of lines of a file (0 when missing).
std::size_t lineCount(const std::string& path);

} // namespace moorkeep::test
