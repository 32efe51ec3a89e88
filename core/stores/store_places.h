#pragma once

#include "metadata/user_meta_store.h"
#include "stores/vault_store.h"

#include <chrono>
#include <map>
#include <string>

namespace moorkeep {

// The places and programs the system store works with: one home's .ssh
// folder, configuration and metadata file, and the OpenSSH tools. Every part
// of the store reads it; none changes it.
struct StorePlaces {
    // How long a change waits for the change locks: longer than one holder's
    // longest work (the OpenSSH check alone may take its 5 s), so that
    // changes queued behind each other go through.
    static constexpr std::chrono::milliseconds changeLockWait{30000};

    std::string homedir;
    std::string sshDirectory;
    std::string configPath;
    UserMetaStore metaStore;
    std::string keyToolPath;
    std::string agentToolPath;
    std::string sshPath;
    std::string backupFolder;
    std::string localUser;

    using KeyPathToId = std::map<std::string, std::string>;

    StoreFiles files() const;
    // "~..." with this home; other text unchanged.
    std::string expandHome(const std::string& path) const;
    // The path with the home directory written as "~", for messages.
    std::string displayPath(const std::string& path) const;
    // The file whose lock every change of the metadata file holds.
    std::string lockPath() const;
    KeyPathToId invert(const KeyIdToPath& keyIdToPath) const;
};

} // namespace moorkeep
