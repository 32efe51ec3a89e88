#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "openssh/effect_check.h"
#include "reading/config_read_problem.h"
#include "stores/config_guard.h"
#include "stores/host_reader.h"
#include "stores/store_places.h"
#include "stores/vault_store.h"

#include <cstddef>
#include <optional>
#include <string>

namespace moorkeep {

// The changes of hosts and of the Host * defaults in the configuration
// files (and of the hosts kept in the metadata file), each written through
// the guard. The caller holds the change locks; see VaultStore for what each
// operation does.
class ConfigHostChanges {
public:
    ConfigHostChanges(const StorePlaces& places, const HostReader& reader,
                      const ConfigGuard& guard);

    SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath);
    // moveAbove: first moves the block above that Host or Match line of its
    // file (from 1), in the same replacement.
    SSHHost saveConfigHost(const SSHHost& host, const std::optional<std::string>& originalAlias,
                           const KeyIdToPath& keyIdToPath,
                           std::optional<std::size_t> moveAbove = std::nullopt);
    void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath);
    void deleteConfigHost(const SSHHost& host);
    Defaults saveConfigDefaults(const Defaults& defaults, const KeyIdToPath& keyIdToPath);
    void moveHostBlock(const std::string& alias, const std::string& file, std::size_t line);

private:
    using KeyPathToId = StorePlaces::KeyPathToId;
    using ConfigBlock = HostReader::ConfigBlock;

    // Throws FileError when a block with this Host pattern may stand in a
    // configuration file that reading skipped (not UTF-8, too large), so
    // that no second block is added for it.
    void refuseSkippedBlock(const ConfigReadProblems& problems, const std::string& pattern) const;
    // The defaults with, as their port, the one OpenSSH takes for the name
    // when the host's block has no Port line: a Port of the host's own is
    // written whenever it differs from that, 22 included. Evaluated on the
    // reading the block came from, its Port lines left out.
    Defaults withPortOtherwise(Defaults defaults, const std::string& name,
                               const std::optional<SSHHost>& original,
                               const config::OpenSSHEvaluator& read) const;
    // Judges a change of this host against what OpenSSH will use.
    ConfigGuard::EffectJudge effectJudge(const std::string& name,
                                         const std::optional<SSHHost>& before, const SSHHost& asked,
                                         const Defaults& defaults,
                                         const KeyIdToPath& keyIdToPath) const;
    // `pattern` is the Host line of the block written. With aliases, the
    // files are read only for those (see HostReader::evaluatorWith).
    ConfigGuard::EffectJudge
    effectJudge(EffectCheck::Request request, const std::string& pattern,
                std::optional<ConfigParser::AliasFilter> onlyAliases) const;

    const StorePlaces& places_;
    const HostReader& reader_;
    const ConfigGuard& guard_;
};

} // namespace moorkeep
