#pragma once

#include <string>
#include <vector>

namespace moorkeep {

inline constexpr const char* keyToolPath = "/usr/bin/ssh-keygen";

struct KeyToolResult {
    int status = -1;         // exit code, or the number of the ending signal; -1: not started
    std::string output;      // standard output as UTF-8 ("" when not valid UTF-8)
    std::string errorOutput; // standard error, or the reason the program could not start
};

// Runs the program without a shell, arguments exactly as given, with standard
// input a pipe that is never written. Past the limit the child is ended. Never
// fails: every problem is folded into the result.
KeyToolResult runKeyTool(const std::string& path, const std::vector<std::string>& args,
                         double limitSeconds);

// The "SHA256:" fingerprint of a public key file, or "unknown".
std::string keyFingerprint(const std::string& publicKeyPath,
                           const std::string& toolPath = keyToolPath);

// Whether the private key file is protected: true unless the tool can read it
// with the empty passphrase.
bool probeHasPassphrase(const std::string& privateKeyPath,
                        const std::string& toolPath = keyToolPath);

} // namespace moorkeep
