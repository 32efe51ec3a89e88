#pragma once

#include "model/config_records.h"
#include "reading/config_read_problem.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace moorkeep::config {

// A keyword the document keeps once, lower-case: it reads and compares as
// its text, at the size of a pointer.
class DocumentKeyword {
public:
    DocumentKeyword() = default;
    explicit DocumentKeyword(const std::string& text)
        : text_(&text) {}

    operator std::string_view() const {
        return text_ ? std::string_view(*text_) : std::string_view();
    }
    // Most comparisons are with a keyword of another size or first letter,
    // which settles them without a call.
    friend bool operator==(DocumentKeyword a, std::string_view b) {
        const std::string_view text(a);
        return text.size() == b.size() && (b.empty() || text.front() == b.front()) && text == b;
    }
    friend bool operator==(DocumentKeyword a, DocumentKeyword b) {
        return a.text_ == b.text_ || std::string_view(a) == std::string_view(b);
    }

private:
    const std::string* text_ = nullptr;
};

// One line of the configuration that means something to OpenSSH, with its
// place. Include lines are replaced by the lines of the files they name,
// between an includeBegin and an includeEnd line. Texts point into the
// document's own copies of the files.
struct DocumentLine {
    enum class Kind : std::uint8_t { option, host, match, includeBegin, includeEnd };

    DocumentKeyword keyword;
    std::string_view text;  // the line, trimmed: how Host and Match lines are shown
    std::uint32_t file = 0; // index into ConfigDocument::files
    std::uint32_t line = 0; // counted from 1
    // For Host, Match and Include lines, which every reading needs: the
    // index of the value's arguments among the document's argument lists.
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
    struct KeywordHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_set<std::string, KeywordHash, std::equal_to<>> keywords;
    // The argument lists one after another, list i from argumentStarts[i]
    // to argumentStarts[i + 1]; list 0 is empty. One list of words costs no
    // allocation per line.
    std::vector<std::string> argumentWords;
    std::vector<std::uint32_t> argumentStarts{0, 0};

    std::span<const std::string> arguments(const DocumentLine& line) const {
        return argumentList(argumentWords, argumentStarts, line);
    }

    // A line's list among argument lists kept as ConfigDocument keeps them.
    static std::span<const std::string> argumentList(std::span<const std::string> words,
                                                     std::span<const std::uint32_t> starts,
                                                     const DocumentLine& line) {
        const std::uint32_t begin = starts[line.arguments];
        return words.subspan(begin, starts[line.arguments + 1] - begin);
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
// leftOut, when given, takes the patterns (as split) of a Host line whose
// block's option lines are not kept: every header, Include and
// CertificateFile line still is.
using BlockFilter = std::function<bool(std::span<const std::string> patterns)>;
ConfigDocument readDocument(const std::string& from, const std::string& homedir,
                            const TextOverrides& overrides = {},
                            ConfigReadProblems* problems = nullptr, ConfigFiles* met = nullptr,
                            const BlockFilter& leftOut = {});

// The option lines of this (lower-case) keyword in the block whose Host line
// stands at the place: up to the next Host or Match line of the same file, as
// the block's text runs. Indices into document.lines.
std::vector<std::uint32_t> blockOptionLines(const ConfigDocument& document,
                                            const ConfigPlace& header, std::string_view keyword);

// The keyword of a line as it is written (the case kept).
std::string writtenKeyword(const DocumentLine& line);

} // namespace moorkeep::config
