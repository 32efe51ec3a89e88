#pragma once

#include "output.h"
#include "stores/vault_store.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace moorkeep::cli {

// The options given before the command.
struct GlobalOptions {
    std::optional<std::string> home; // whose .ssh is used
    std::optional<std::string> meta; // the metadata file
    bool demo = false;               // --demo given
};

using AliasSet = std::set<std::string, std::less<>>;

// One run of a command: the store, made when first needed, the snapshot it
// loaded, and where output goes.
class Session {
public:
    Session(GlobalOptions options, Output& output);
    // Passes on what the store has to say of the changes made.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The demo store when --demo is given or MOORKEEP_DEMO is exactly "1" (as
    // the desktop application decides); otherwise the store of the home
    // directory, with the metadata file of that home unless --meta names one.
    VaultStore& store();
    // The snapshot, loaded on first use; the lists the rules work on, as the
    // desktop application's model holds them.
    const VaultData& data();
    // The snapshot with only the hosts of these aliases (the whole snapshot
    // once that is loaded): a host found in it by its alias is the one
    // data() gives, and so are the other hosts of these aliases.
    const VaultData& dataForAliases(const AliasSet& aliases);
    // The snapshot with the configuration's hosts handed to sink instead of
    // kept (see VaultStore::loadDataHandingOverHosts), its warnings given as
    // data() gives them.
    VaultData dataHandingOverHosts(const VaultStore::HostSink& sink, bool withFacts);
    Output& output() { return output_; }
    const GlobalOptions& options() const { return options_; }

    // Called by a command that changes the configuration before it reads
    // anything: holds the store's change locks until the session ends, so
    // that the snapshot the change starts from is the one it changes. With
    // the host name OpenSSH will check the change for, as ssh takes it on
    // its command line, that check starts now (see VaultStore::expectChange).
    void beginChange(const std::optional<std::string>& checkedFor = std::nullopt);

private:
    void warn(const VaultData& data);

    GlobalOptions options_;
    Output& output_;
    std::unique_ptr<VaultStore> store_;
    std::unique_ptr<VaultStore::ChangeHold> locks_;
    std::optional<VaultData> data_;
    std::optional<std::pair<AliasSet, VaultData>> aliasData_;
};

} // namespace moorkeep::cli
