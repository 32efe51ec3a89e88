#pragma once

#include "model/config_records.h"
#include "reading/config_read_problem.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
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

// Receives each directive line as reading meets it; the texts are only valid
// during the call.
using LineSink = std::function<void(std::string_view directive, std::string_view value,
                                    const std::string& sourceFile)>;
// The same lines, handed to sink one by one instead of gathered in a list;
// without a sink, only the files and folders are gathered.
// When problems is given, every file that was skipped (unreadable, not
// UTF-8, over the size limit, or included deeper than OpenSSH follows) is
// added to it, in reading order; a missing file is no problem. When met is
// given, the files and folders the reading depended on are added to it.
void readLines(const std::string& from, std::set<std::string>& visited, const std::string& homedir,
               const LineSink& sink, ConfigReadProblems* problems = nullptr,
               ConfigFiles* met = nullptr);
// The lines, and the files skipped as above.
std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir,
                                        ConfigReadProblems& problems);

// The files that the words of an Include line name, in order: a word may
// be a glob, and a relative path is taken from homedir/.ssh, as in OpenSSH.
// The folders that decided the answer go to met.
std::vector<std::string> includedFiles(std::span<const std::string> words,
                                       const std::string& homedir, ConfigFiles* met = nullptr);
// Whether the text may hold an Include line: "include" in any case, or a
// quote, which may join a keyword's pieces. A file without either spares a
// reading for the Include lines alone every line.
bool mentionsInclude(std::string_view text);
// A configuration file's text, or nothing when it is to be skipped: a
// problem is noted for every reason but a missing file.
std::optional<std::string> readText(const std::string& name, ConfigReadProblems* problems);

// How many Include levels below the main file are followed, as in OpenSSH.
inline constexpr int includeDepthLimit = 16;

// Whether reading goes into the file (by its standardized name) met at this
// Include depth: not deeper than OpenSSH follows (a problem, noted), and not
// a file read before, which also ends a file that includes itself. A file
// entered is added to met.
bool enterFile(const std::string& name, int depth, std::set<std::string>& visited,
               ConfigReadProblems* problems, ConfigFiles* met);

ParsedConfig parse(const std::vector<ConfigLineSource>& lines, const KeyPathToId& keyPathToId,
                   const std::string& homedir);
// parse of readLines, in one pass and without the list of lines.
ParsedConfig read(const std::string& from, const KeyPathToId& keyPathToId,
                  const std::string& homedir, ConfigReadProblems* problems = nullptr,
                  ConfigFiles* met = nullptr);

// Aliases compared exactly, as whole Host values.
using AliasFilter = std::set<std::string, std::less<>>;
// read, keeping only the hosts whose alias is in onlyAliases: those hosts,
// in their order, and the defaults are exactly what read gives.
ParsedConfig read(const std::string& from, const KeyPathToId& keyPathToId,
                  const std::string& homedir, const AliasFilter& onlyAliases,
                  ConfigReadProblems* problems = nullptr);

std::string hostId(std::string_view alias);

} // namespace moorkeep::ConfigParser
