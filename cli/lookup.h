#pragma once

#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <string_view>
#include <vector>

namespace moorkeep::cli {

// HOST on the command line: the first host with exactly this alias, else the
// host with this id. RefusedInput when there is none.
const SSHHost& findHost(const std::vector<SSHHost>& hosts, std::string_view text);

// KEY on the command line: the key with this id, else the first with this
// display name, else the first whose private file has this name.
// RefusedInput when there is none.
const SSHKey& findKey(const std::vector<SSHKey>& keys, std::string_view text);

// The key a host or the defaults name, if the list has it.
const SSHKey* keyWithId(const std::vector<SSHKey>& keys, std::string_view id);

} // namespace moorkeep::cli
