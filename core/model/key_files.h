#pragma once

#include "model/ssh_key.h"

#include <string>
#include <vector>

namespace moorkeep {

// Every file that deleting the key removes, as paths are shown ("~/.ssh/..."):
// the private file, its public file where there is one, its certificates
// beside it. A certificate the configuration names elsewhere stays.
std::vector<std::string> filesOfKey(const SSHKey& key);

} // namespace moorkeep
