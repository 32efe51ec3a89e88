#pragma once

#include "stores/vault_store.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The rules that decide which store operation to call and with what. The
// desktop application and the command-line companion both use them, so the
// two always change the files the same way.
namespace moorkeep::VaultRules {

// One entry per key, id to path; a later key with the same id wins.
KeyIdToPath keyIdToPath(const std::vector<SSHKey>& keys);

// The alias that the host with this id has in the current list, if any: the
// block to replace when a configuration host is saved under a new alias.
std::optional<std::string> originalAlias(const std::vector<SSHHost>& hosts, const std::string& id);

// Saves through saveConfigHost for a configuration host, else saveHost.
SSHHost saveHost(VaultStore& store, const SSHHost& host,
                 const std::optional<std::string>& originalAlias, const KeyIdToPath& keyIdToPath);

// Deletes through deleteHost for a stored host, else deleteConfigHost.
void deleteHost(VaultStore& store, const SSHHost& host, const KeyIdToPath& keyIdToPath);

// Generates the key pair and, when a display name is given, names the new
// key, found by the file name the store really used. Returns the key list
// with the name applied. When only the name cannot be saved, the error says
// that the key was made.
std::vector<SSHKey> generateKey(VaultStore& store, const GenerateKeyOptions& options,
                                const std::optional<std::string>& displayName);

// The hosts of the list whose key is this one: their own, or any OpenSSH
// offers (a later IdentityFile, a default identity).
std::vector<SSHHost> hostsUsingKey(const std::vector<SSHHost>& hosts, const std::string& keyId);

// For each key some host uses, how many hosts do, as hostsUsingKey counts.
std::unordered_map<std::string, int> usageCounts(const std::vector<SSHHost>& hosts);

// Throws VaultError::keyInUse, naming the key and its hosts, when hosts of
// the data use the key.
void refuseIfUsed(const VaultData& data, const std::string& keyId);

} // namespace moorkeep::VaultRules
