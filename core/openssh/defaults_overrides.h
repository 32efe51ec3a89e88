#pragma once

#include "model/ssh_host.h"

#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::config {

// A value of the Host * block that OpenSSH uses instead of the hosts' own
// lines, because the block comes before theirs.
struct DefaultsOverride {
    std::string keyword; // lower-case
    std::string value;
    std::vector<std::string> aliases; // in the order of the list
};

// Whether a Host line, as written, is the one of the defaults: "Host *".
bool isDefaultsHeader(std::string_view text);

// What the Host * block overrides, in the order first met.
std::vector<DefaultsOverride> defaultsOverrides(const std::vector<SSHHost>& hosts);

} // namespace moorkeep::config
