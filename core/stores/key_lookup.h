#pragma once

#include <optional>
#include <string>

namespace moorkeep {

// The base name of the key pair in the directory whose id is this one: the
// same key a full scan would list under that id, found without running the
// key tool (the id depends only on the private key path).
std::optional<std::string> findKeyBaseName(const std::string& sshDirectory, const std::string& id);

} // namespace moorkeep
