#pragma once

#include "model/config_records.h"
#include "reading/config_read_problem.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace moorkeep::config {

// One line of the configuration that means something to OpenSSH, with its
// place. Include lines are replaced by the lines of the files they name,
// between an includeBegin and an includeEnd line. Texts point into the
// document's own copies of the files.
struct DocumentLine {
    enum class Kind : std::uint8_t { option, host, match, includeBegin, includeEnd };

    std::string_view keyword; // lower-case
    std::string_view text;    // the line, trimmed: how Host and Match lines are shown
    std::uint32_t file = 0;   // index into ConfigDocument::files
    std::uint32_t line = 0;   // counted from 1
    // For Host, Match and Include lines, which every reading needs: the
    // index of the value's arguments in ConfigDocument::argumentLists.
    std::uint32_t arguments = 0;
    std::uint32_t valueAt = 0; // where the value starts in text
    Kind kind = Kind::option;

    // What follows the keyword, as written.
    std::string_view value() const { return text.substr(valueAt); }
};

// The configuration in OpenSSH's reading order. Lines are kept small: a
// large configuration has tens of thousands of them.
struct ConfigDocument {
    std::vector<std::string> files; // standardized paths
    std::vector<DocumentLine> lines;
    // The files' texts and the keywords, which the lines point into; they
    // stay in place when the document moves.
    std::vector<std::unique_ptr<const std::string>> texts;
    std::unordered_set<std::string> keywords;
    std::vector<std::vector<std::string>> argumentLists{{}};

    const std::vector<std::string>& arguments(const DocumentLine& line) const {
        return argumentLists[line.arguments];
    }
};

// The value of a line split as OpenSSH splits it (empty when a quote is left
// open).
std::vector<std::string> argumentsOf(const DocumentLine& line);
// The value as OpenSSH takes it: the arguments joined by single spaces, or
// for a command the rest of the line as written.
std::string valueOf(const DocumentLine& line);
// Whether OpenSSH takes the rest of the line, unsplit, as this (lower-case)
// keyword's value.
bool takesRestOfLine(std::string_view keyword);

// Texts read in place of the files of these standardized paths: a change
// judged before it is written.
using TextOverrides = std::map<std::string, std::string, std::less<>>;

// Reads the file and what it includes as OpenSSH does: relative Include
// paths are taken from homedir/.ssh, at most includeDepthLimit levels deep.
// Each file is read once. Lines OpenSSH cannot split are left out; files
// that cannot be read go to problems, and what the reading depended on to
// met, as ConfigParser::readLines records them.
ConfigDocument readDocument(const std::string& from, const std::string& homedir,
                            const TextOverrides& overrides = {},
                            ConfigReadProblems* problems = nullptr, ConfigFiles* met = nullptr);

// The option lines of this (lower-case) keyword in the block whose Host line
// stands at the place: up to the next Host or Match line of the same file, as
// the block's text runs. Indices into document.lines.
std::vector<std::uint32_t> blockOptionLines(const ConfigDocument& document,
                                            const ConfigPlace& header, std::string_view keyword);

// The keyword of a line as it is written (the case kept).
std::string writtenKeyword(const DocumentLine& line);

} // namespace moorkeep::config
