#pragma once

#include "config/config_read_problem.h"
#include "model/config_records.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace moorkeep::config {

// One line of the configuration that means something to OpenSSH, with its
// place. Include lines are replaced by the lines of the files they name,
// between an includeBegin and an includeEnd line.
struct DocumentLine {
    enum class Kind : std::uint8_t { option, host, match, includeBegin, includeEnd };

    Kind kind = Kind::option;
    std::uint32_t file = 0; // index into ConfigDocument::files
    std::uint32_t line = 0; // counted from 1
    std::string keyword;    // lower-case
    std::vector<std::string> arguments;
    std::string text; // the line, trimmed: how Host and Match lines are shown
};

// The configuration in OpenSSH's reading order.
struct ConfigDocument {
    std::vector<std::string> files; // standardized paths
    std::vector<DocumentLine> lines;
};

// Texts read in place of the files of these standardized paths: a change
// judged before it is written.
using TextOverrides = std::map<std::string, std::string, std::less<>>;

// Reads the file and what it includes as OpenSSH does: relative Include
// paths are taken from homedir/.ssh, at most includeDepthLimit levels deep.
// Lines OpenSSH cannot split (an open quote) are left out; so are files that
// cannot be read, which go to problems.
ConfigDocument readDocument(const std::string& from, const std::string& homedir,
                            const TextOverrides& overrides = {},
                            ConfigReadProblems* problems = nullptr);

} // namespace moorkeep::config
