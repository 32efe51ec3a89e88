#pragma once

#include "model/agent_state.h"
#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "output.h"

#include <vector>

// How records are shown to people: table rows for the lists, labelled fields
// for one record. An empty or absent value shows as "-".
namespace moorkeep::cli::views {

Row hostHeader();
Row hostRow(const SSHHost& host, const std::vector<SSHKey>& keys);
std::vector<Field> hostFields(const SSHHost& host, const std::vector<SSHKey>& keys);
// The host's record; with "defaultKeys" (id, name, path of each) when it has
// no key of its own and OpenSSH offers default identities.
nlohmann::json hostJson(const SSHHost& host, const std::vector<SSHKey>& keys);

Row keyHeader();
// AGENT says whether the agent holds the key: yes, no, or "-" without one.
Row keyRow(const SSHKey& key, const std::vector<SSHHost>& hosts, const AgentState& agent);
std::vector<Field> keyFields(const SSHKey& key, const std::vector<SSHHost>& hosts);

std::vector<Field> defaultsFields(const Defaults& defaults, const std::vector<SSHKey>& keys);

} // namespace moorkeep::cli::views
