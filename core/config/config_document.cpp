#include "config/config_document.h"

#include "config/config_parser.h"
#include "config/config_text.h"
#include "config/ssh_arguments.h"
#include "files/paths.h"

#include <algorithm>
#include <set>

namespace moorkeep::config {
namespace {

// Keyword and the rest of a trimmed line, split as OpenSSH splits them: at
// blanks or one "=", the keyword possibly quoted.
bool splitKeyword(std::string_view line, std::string_view& keyword, std::string_view& rest) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t end = 0;
    if (line.front() == '"') {
        end = line.find('"', 1);
        if (end == std::string_view::npos)
            return false;
        keyword = line.substr(1, end - 1);
        ++end;
    } else {
        while (end < line.size() && !isBlank(line[end]) && line[end] != '=')
            ++end;
        keyword = line.substr(0, end);
    }
    while (end < line.size() && isBlank(line[end]))
        ++end;
    if (end < line.size() && line[end] == '=')
        ++end;
    while (end < line.size() && isBlank(line[end]))
        ++end;
    rest = line.substr(end);
    return !keyword.empty();
}

class DocumentReader {
public:
    DocumentReader(const std::string& homedir, const TextOverrides& overrides,
                   ConfigReadProblems* problems, ConfigFiles* met)
        : homedir_(homedir)
        , overrides_(overrides)
        , problems_(problems)
        , met_(met) {}

    void read(const std::string& from, int depth) {
        const std::string name = paths::standardize(from, homedir_);
        // Each file is read once, as the list of hosts has always read it.
        if (!ConfigParser::enterFile(name, depth, visited_, problems_, met_))
            return;
        std::optional<std::string> text;
        if (auto found = overrides_.find(name); found != overrides_.end())
            text = found->second;
        else
            text = ConfigParser::readText(name, problems_);
        if (!text)
            return;
        const auto fileIndex = static_cast<std::uint32_t>(document.files.size());
        document.files.push_back(name);
        const std::string& kept =
            *document.texts.emplace_back(std::make_unique<const std::string>(std::move(*text)));
        const ConfigText lines(kept);
        // One allocation for the lines of this file: growing a large list
        // step by step would touch every page of it several times.
        document.lines.reserve(document.lines.size() + lines.lineCount() * 3 / 4 + 16);
        for (std::size_t i = 0; i < lines.lineCount(); ++i)
            readLine(trimBlanks(lines.line(i)), fileIndex, static_cast<std::uint32_t>(i + 1),
                     depth);
    }

    ConfigDocument document;

private:
    void readLine(std::string_view line, std::uint32_t file, std::uint32_t number, int depth) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\f'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            return;
        std::string_view written, rest;
        if (!splitKeyword(line, written, rest) || rest.empty())
            return;
        DocumentLine entry;
        entry.keyword = *document.keywords.insert(keywordOf(written)).first;
        entry.text = line;
        entry.file = file;
        entry.line = number;
        entry.valueAt = static_cast<std::uint32_t>(rest.data() - line.data());
        auto keepArguments = [&] {
            entry.arguments = static_cast<std::uint32_t>(document.argumentLists.size());
            document.argumentLists.push_back(argumentsOf(entry));
            return document.argumentLists.back();
        };
        if (entry.keyword == "include") {
            const auto files = ConfigParser::includedFiles(keepArguments(), homedir_, met_);
            entry.kind = DocumentLine::Kind::includeBegin;
            document.lines.push_back(entry);
            for (const std::string& included : files)
                read(included, depth + 1);
            entry.kind = DocumentLine::Kind::includeEnd;
            document.lines.push_back(entry);
            return;
        }
        if (entry.keyword == "host" || entry.keyword == "match") {
            entry.kind =
                entry.keyword == "host" ? DocumentLine::Kind::host : DocumentLine::Kind::match;
            // A header OpenSSH cannot split still ends the block before it;
            // it takes no name.
            keepArguments();
        } else if (rest.front() == '#') {
            return;
        }
        document.lines.push_back(entry);
    }

    const std::string& homedir_;
    const TextOverrides& overrides_;
    ConfigReadProblems* problems_;
    ConfigFiles* met_;
    std::set<std::string> visited_;
};

} // namespace

std::vector<std::string> argumentsOf(const DocumentLine& line) {
    return splitArguments(line.value()).value_or(std::vector<std::string>{});
}

std::string valueOf(const DocumentLine& line) {
    return joinedArguments(line.value());
}

std::string_view writtenKeyword(const DocumentLine& line) {
    const std::string_view text = line.text;
    if (text.front() == '"')
        return text.substr(1, text.find('"', 1) - 1);
    return text.substr(0, text.find_first_of(" \t="));
}

ConfigDocument readDocument(const std::string& from, const std::string& homedir,
                            const TextOverrides& overrides, ConfigReadProblems* problems,
                            ConfigFiles* met) {
    DocumentReader reader(homedir, overrides, problems, met);
    reader.read(from, 0);
    return std::move(reader.document);
}

} // namespace moorkeep::config
