#pragma once

#include "model/ssh_host.h"

#include <ostream>
#include <string>
#include <vector>

// JSON text of host records, written straight from the records: byte for byte
// what nlohmann's dump(2) of their JSON form prints (members sorted by name,
// two-space indentation, invalid UTF-8 replaced), without building the JSON
// value first, which for ten thousand hosts costs more than loading them.
namespace moorkeep::RecordJsonText {

// Written in pieces, so that the whole text is never held at once.
void writeHosts(std::ostream& out, const std::vector<SSHHost>& hosts);
// The same, each host with two more members: "file", the file of its Host
// line with the home directory written as "~", and "line", that line's
// number; both null for a host no file gave.
void writeHostsWithPlaces(std::ostream& out, const std::vector<SSHHost>& hosts,
                          const std::string& homedir);

} // namespace moorkeep::RecordJsonText
