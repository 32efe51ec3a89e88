#pragma once

#include "keys/key_cache_entry.h"
#include "keys/key_tool.h"
#include "model/ssh_key.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace moorkeep {

struct ScanResult {
    std::vector<SSHKey> keys;         // in directory-listing order
    std::vector<KeyCacheEntry> cache; // one entry per key, same order
    // What the user should hear of, one sentence each naming the file:
    // public key files left out (too large), private key files others may
    // read ("permissions too open").
    std::vector<std::string> warnings;

    bool operator==(const ScanResult&) const = default;
};

// Finds the key pairs of a .ssh directory. Never fails: a file that cannot be
// used is left out.
namespace KeyScanner {

// A public key file is one line of a few kilobytes at most; a larger one is
// not read.
inline constexpr std::size_t publicKeySizeLimit = 64 * 1024;

// The base names that are never keys: the files OpenSSH and desktops keep in
// ~/.ssh. No key of these names is made either.
const std::set<std::string, std::less<>>& skippedNames();

ScanResult scan(const std::string& sshDirectory, const std::vector<KeyCacheEntry>& cache,
                const std::string& toolPath = keyToolPath);
std::vector<SSHKey> scan(const std::string& sshDirectory);

// The base name of the key pair a scan would list under this id, found
// without running the key tool: the id depends only on the private key path.
std::optional<std::string> findBaseName(const std::string& sshDirectory, std::string_view id);

// shortDigest of the absolute private key path.
std::string keyId(std::string_view privateKeyPath);
// "ed25519", "rsa", "ecdsa", "dsa", "ed25519-sk", "ecdsa-sk" (what
// ssh-keygen -l names them, in lower case) or "unknown", from the public key
// text.
std::string keyType(std::string_view publicKey);

} // namespace KeyScanner
} // namespace moorkeep
