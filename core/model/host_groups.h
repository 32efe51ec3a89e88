#pragma once

#include "model/ssh_host.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Hosts grouped by the file their Host line is in, in the order OpenSSH
// reads the files.
namespace moorkeep::HostGroups {

struct Group {
    std::string file;               // standardized path; empty for the stored hosts
    std::vector<std::size_t> hosts; // indexes into the list, in its order

    bool operator==(const Group&) const = default;
};

// The groups that hold hosts: the main file's first, then the files in the
// order of `files` (the reading order a load lists), then files it does not
// list in the order of their first host, and the stored hosts last. A
// configuration host whose line is not known (not read back yet, or from a
// store without files) counts as the main file's, where new blocks go.
std::vector<Group> byFile(const std::vector<SSHHost>& hosts, const std::vector<std::string>& files,
                          const std::string& mainFile);

// How a group is named: its file with the home folded to "~", or "Stored in
// Moorkeep" for the stored hosts.
std::string title(const Group& group, std::string_view home);

} // namespace moorkeep::HostGroups
