#pragma once

#include "model/ssh_host.h"

#include <string>
#include <vector>

// JSON text of host records, written straight from the records: byte for byte
// what nlohmann's dump(2) of their JSON form prints (members sorted by name,
// two-space indentation, invalid UTF-8 replaced), without building the JSON
// value first, which for ten thousand hosts costs more than loading them.
namespace moorkeep::RecordJsonText {

std::string hosts(const std::vector<SSHHost>& hosts);

} // namespace moorkeep::RecordJsonText
