#include "diagnosis/config_checks.h"

#include "files/paths.h"
#include "model/ascii.h"
#include "reading/config_parser.h"

#include <algorithm>
#include <array>
#include <sys/stat.h>

namespace moorkeep::ConfigChecks {
namespace {

using config::DocumentLine;
using Kind = DocumentLine::Kind;

bool exists(const std::string& path) {
    struct stat facts {};
    return ::stat(path.c_str(), &facts) == 0;
}

// A file OpenSSH would look for, when the value names one without tokens
// that only a connection expands.
std::optional<std::string> namedFile(const DocumentLine& line, const std::string& home) {
    const std::string value = config::valueOf(line);
    if (value.empty() || equalsIgnoringCase(value, "none") ||
        value.find_first_of("%$") != std::string::npos)
        return std::nullopt;
    const std::string path = paths::expandTilde(value, home);
    if (path.empty() || path.front() != '/')
        return std::nullopt;
    return path;
}

} // namespace

void missingFiles(const DiagnosisInput& input, std::vector<Finding>& findings) {
    const config::ConfigDocument& document = input.evaluator.document();
    const std::string& home = input.files.home;
    for (std::size_t i = 0; i < document.lines.size(); ++i) {
        const DocumentLine& line = document.lines[i];
        const std::string& file = document.files[line.file];
        if (line.kind == Kind::includeBegin) {
            const bool nothing =
                i + 1 < document.lines.size() && document.lines[i + 1].kind == Kind::includeEnd &&
                ConfigParser::includedFiles(document.arguments(line), home).empty();
            if (nothing)
                findings.push_back(input.at(Severity::warning, "missing-include", file, line.line,
                                            "Include " + config::valueOf(line) +
                                                " matches no file; nothing is read from it."));
            continue;
        }
        if (line.kind != Kind::option ||
            (line.keyword != "identityfile" && line.keyword != "certificatefile"))
            continue;
        const auto path = namedFile(line, home);
        if (!path || exists(*path))
            continue;
        const bool identity = line.keyword == "identityfile";
        findings.push_back(input.at(
            Severity::warning, identity ? "missing-identity-file" : "missing-certificate-file",
            file, line.line,
            config::writtenKeyword(line) + " " + config::valueOf(line) +
                " names no file; ssh skips it" +
                (identity ? " and offers the other keys." : " and offers the key without it.")));
    }
}

void unjudgedMatches(const DiagnosisInput& input, std::vector<Finding>& findings) {
    static constexpr std::array unjudged{std::string_view("exec"), std::string_view("canonical"),
                                         std::string_view("final"),
                                         std::string_view("localnetwork")};
    const config::ConfigDocument& document = input.evaluator.document();
    for (const DocumentLine& line : document.lines) {
        if (line.kind != Kind::match)
            continue;
        for (std::string word : document.arguments(line)) {
            if (!word.empty() && word.front() == '!')
                word.erase(0, 1);
            word = asciiLower(word);
            if (std::ranges::find(unjudged, word) == unjudged.end())
                continue;
            findings.push_back(input.at(
                Severity::note, "match-not-judged", document.files[line.file], line.line,
                "Match " + word +
                    " is not judged here: values are shown as if this block did not apply."));
            break;
        }
    }
}

} // namespace moorkeep::ConfigChecks
