#pragma once

#include "config/config_read_problem.h"
#include "model/config_records.h"

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Reads the OpenSSH client configuration into hosts and defaults. Reading
// never fails: what cannot be read or understood contributes nothing.
namespace moorkeep::ConfigParser {

// Absolute private key path to key id.
using KeyPathToId = std::map<std::string, std::string>;

// The directive lines of the file and the files it includes, in reading
// order. "~" means homedir; relative Include paths are taken from
// homedir/.ssh.
std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir);
// The recursive form: visited holds the standardized paths already read.
std::vector<ConfigLineSource> readLines(const std::string& from, std::set<std::string>& visited,
                                        const std::string& homedir);
// The same lines; every file that was skipped (unreadable, not UTF-8, over
// the size limit, or included deeper than OpenSSH follows) is added to
// problems, in reading order. A missing file is no problem.
std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir,
                                        ConfigReadProblems& problems);

// How many Include levels below the main file are followed, as in OpenSSH.
inline constexpr int includeDepthLimit = 16;

ParsedConfig parse(const std::vector<ConfigLineSource>& lines, const KeyPathToId& keyPathToId,
                   const std::string& homedir);

// Keyword and value of one trimmed line; false when either is empty.
bool splitDirective(std::string_view line, std::string& keyword, std::string& value);

std::string hostId(std::string_view alias);

} // namespace moorkeep::ConfigParser
