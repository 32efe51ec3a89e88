#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace moorkeep {

inline constexpr const char* keyToolPath = "/usr/bin/ssh-keygen";
inline constexpr std::size_t passedDescriptorLimit = 4;

struct KeyToolResult {
    int status = -1;         // exit code, or the number of the ending signal; -1: not started
    std::string output;      // standard output as UTF-8 ("" when not valid UTF-8)
    std::string errorOutput; // standard error, or the reason the program could not start
};

// What a caller may add to a run. Operations that must hand the tool a secret
// (through an askpass helper) say so here, never on the command line.
struct KeyToolOptions {
    // Set in the child's environment, replacing an inherited entry of the same
    // name and the default SSH_ASKPASS_REQUIRE=never.
    std::vector<std::pair<std::string, std::string>> environment;
    // Open descriptors the child receives as its descriptors 3, 4, ... in
    // this order (at most passedDescriptorLimit); every other one is closed.
    std::vector<int> passedDescriptors{};
    // The most address space the child may take (0: no limit), so that a
    // tool fed an endless file fails instead of taking the machine's memory.
    std::uint64_t memoryLimit = std::uint64_t{512} << 20;
};

// Runs the program without a shell, arguments exactly as given, in a session
// of its own with no terminal, standard input a pipe that is never written.
// The child dies with the thread that started it, and an interrupted
// program (see InterruptCleanup) kills its process group.
// Past the limit the child is asked to stop and, failing that, killed; the
// call returns within about a second after the limit and leaves nothing
// running. Never fails: every problem is folded into the result.
KeyToolResult runKeyTool(const std::string& path, const std::vector<std::string>& args,
                         double limitSeconds, const KeyToolOptions& options = {});

// What `ssh-keygen -l` prints of a public key file: its size and "SHA256:"
// fingerprint; "unknown" and no size when it prints none.
struct KeyListing {
    std::optional<int> bits;
    std::string fingerprint = "unknown";
};
KeyListing keyListing(const std::string& publicKeyPath, const std::string& toolPath = keyToolPath);

// The "SHA256:" fingerprint of a public key file, or "unknown".
std::string keyFingerprint(const std::string& publicKeyPath,
                           const std::string& toolPath = keyToolPath);

// The public key line `ssh-keygen -y` rebuilds from an unprotected private
// key, or "" when it cannot.
std::string publicHalfOf(const std::string& privateKeyPath,
                         const std::string& toolPath = keyToolPath);

// Whether the private key file is protected: as its format says (see
// KeyProtection), or for a format not known there, true unless the tool can
// read it with the empty passphrase.
bool probeHasPassphrase(const std::string& privateKeyPath,
                        const std::string& toolPath = keyToolPath);

} // namespace moorkeep
