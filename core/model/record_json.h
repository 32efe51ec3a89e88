#pragma once

#include "model/defaults.h"
#include "model/host_source.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "model/vault_data.h"

#include <nlohmann/json.hpp>

// JSON form of the records: member names are the field names, absent
// optionals are left out. Decoding throws json::DecodeError.
namespace moorkeep {

void to_json(nlohmann::json& j, HostSource source);
void from_json(const nlohmann::json& j, HostSource& source);
void to_json(nlohmann::json& j, const SSHHost& host);
void from_json(const nlohmann::json& j, SSHHost& host);
void to_json(nlohmann::json& j, const KeyCertificate& certificate);
void from_json(const nlohmann::json& j, KeyCertificate& certificate);
void to_json(nlohmann::json& j, const SSHKey& key);
void from_json(const nlohmann::json& j, SSHKey& key);
void to_json(nlohmann::json& j, const Defaults& defaults);
void from_json(const nlohmann::json& j, Defaults& defaults);
void to_json(nlohmann::json& j, const VaultData& data);
void from_json(const nlohmann::json& j, VaultData& data);

} // namespace moorkeep
