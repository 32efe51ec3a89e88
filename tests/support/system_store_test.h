#pragma once

#include "keys/key_scanner.h"
#include "metadata/user_meta_store.h"
#include "model/vault_error.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/store_home.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

// What the tests of the system store's parts share: a store on a fresh home
// and the small helpers that read its results.
namespace moorkeep::test {

// A system store on a fresh temporary home whose key tool records its runs.
class SystemVaultStoreTest : public StoreHome {
protected:
    std::unique_ptr<SystemVaultStore> makeStore(std::string toolPath = "") const {
        if (toolPath.empty())
            toolPath = recordingKeyTool(tools.path(), toolLog);
        return std::make_unique<SystemVaultStore>(onHome(toolPath));
    }

    UserMetaStore meta() const { return UserMetaStore(metaPath()); }
    std::size_t toolRuns() const { return fileLines(toolLog).size(); }

    TempDir tools;
    std::string toolLog = tools.file("runs.log");
    std::unique_ptr<SystemVaultStore> store = makeStore();
};

inline std::vector<std::string> aliases(const std::vector<SSHHost>& hosts) {
    std::vector<std::string> out;
    for (const auto& h : hosts)
        out.push_back(h.alias + (h.source == HostSource::user ? "(user)" : ""));
    return out;
}

inline SSHHost stored(const std::string& id, const std::string& alias, const std::string& hostname,
                      const std::string& user = "") {
    return host(alias, hostname, user, 22, {}, {}, {}, HostSource::user, id);
}

// The key of that name; out_of_range when there is none.
inline const SSHKey& keyNamed(const std::vector<SSHKey>& keys, const std::string& name) {
    return keys.at(std::ranges::find(keys, name, &SSHKey::name) - keys.begin());
}

inline void storeHosts(const UserMetaStore& metaStore, std::vector<SSHHost> hosts) {
    UserMeta meta;
    meta.hosts = std::move(hosts);
    metaStore.save(meta);
}

template <typename T> std::vector<std::string> ids(const std::vector<T>& items) {
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item.id);
    return out;
}

inline const std::regex
    upperUuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");

// What the VaultError the operation throws says: its kind and its detail;
// nothing when it throws none.
using Failure = std::pair<VaultError::Kind, std::string>;
template <typename Operation> std::optional<Failure> failureOf(Operation operation) {
    try {
        operation();
    } catch (const VaultError& error) {
        return Failure(error.kind(), error.detail());
    }
    return std::nullopt;
}

// A system store on a fresh temporary home with the real OpenSSH tools;
// programs can be stood in for by scripts.
class GuardedChanges : public StoreHome {
protected:
    // A shell script in the home's bin folder, standing in for a program.
    std::string standIn(const std::string& program, const std::string& body) const {
        const std::string path = home.file("bin/" + program);
        writeFile(path, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), 0700);
        return path;
    }

    std::string idOf(const std::string& name) const { return KeyScanner::keyId(ssh(name)); }

    SystemVaultStore store{onHome()};
};

// The same, on files a test makes hostile.
using HostileFiles = GuardedChanges;

// chattr +i or -i; false when the file system or the container refuses.
inline bool setImmutable(const std::string& path, bool on) {
    const std::string command =
        std::string("chattr ") + (on ? "+i" : "-i") + " '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

} // namespace moorkeep::test
