#include "reading/config_document.h"

#include "files/paths.h"
#include "model/ascii.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_line.h"
#include "reading/config_parser.h"
#include "reading/config_text.h"

#include <algorithm>
#include <array>
#include <set>

namespace moorkeep::config {
namespace {

class DocumentReader {
public:
    DocumentReader(const std::string& homedir, const TextOverrides& overrides,
                   ConfigReadProblems* problems, ConfigFiles* met, const BlockFilter& leftOut)
        : homedir_(homedir)
        , overrides_(overrides)
        , problems_(problems)
        , met_(met)
        , leftOut_(leftOut) {}

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
        leaving_ = false;
        const auto fileIndex = static_cast<std::uint32_t>(document.files.size());
        document.files.push_back(name);
        const std::string& kept =
            *document.texts.emplace_back(std::make_unique<const std::string>(std::move(*text)));
        // Room for as many lines as the file has text lines: growing a large
        // list step by step would touch every page of it several times, and
        // room never used is never touched. Over many included files the room
        // still grows by doubling, so the lines read so far move seldom.
        const std::size_t wanted = document.lines.size() + lineCountOf(kept) + 16;
        if (wanted > document.lines.capacity())
            document.lines.reserve(std::max(wanted, document.lines.capacity() * 2));
        forEachLine(kept, [&](std::string_view line, std::size_t index) {
            readLine(line, fileIndex, static_cast<std::uint32_t>(index + 1), depth);
        });
    }

    ConfigDocument document;

private:
    std::array<DocumentKeyword, 8> recentKeywords_{};
    std::size_t nextRecent_ = 0;

    // The keyword lower-cased, kept once. A configuration uses a few
    // keywords over and over: those met last are looked at first, which
    // costs neither a string nor a hash.
    DocumentKeyword keptKeyword(std::string_view written) {
        std::array<char, 32> buffer;
        if (written.size() > buffer.size())
            return DocumentKeyword(*document.keywords.insert(asciiLower(written)).first);
        for (std::size_t i = 0; i < written.size(); ++i)
            buffer[i] = asciiLower(written[i]);
        const std::string_view lowered(buffer.data(), written.size());
        for (DocumentKeyword keyword : recentKeywords_)
            if (keyword == lowered)
                return keyword;
        auto found = document.keywords.find(lowered);
        if (found == document.keywords.end())
            found = document.keywords.emplace(lowered).first;
        const DocumentKeyword kept(*found);
        recentKeywords_[nextRecent_++ % recentKeywords_.size()] = kept;
        return kept;
    }

    // Whether a line of a block left out can be passed over unsplit: one
    // whose first letter no header, Include or CertificateFile keyword
    // starts with is another option, a comment or nothing at all.
    static bool passesOver(std::string_view line) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            return true;
        const char letter = asciiLower(line[first]);
        return letter >= 'a' && letter <= 'z' && letter != 'h' && letter != 'm' && letter != 'i' &&
               letter != 'c';
    }

    void readLine(std::string_view line, std::uint32_t file, std::uint32_t number, int depth) {
        if (leaving_ && passesOver(line))
            return;
        const auto split = splitLine(line);
        if (!split)
            return;
        if (leaving_ && !isHeaderKeyword(split->keyword) &&
            !equalsIgnoringCase(split->keyword, "include") &&
            !equalsIgnoringCase(split->keyword, "certificatefile"))
            return;
        // Shown from the first character that is no space or tab to the end
        // of the value.
        const std::size_t shownFrom = line.find_first_not_of(" \t");
        line = line.substr(shownFrom, static_cast<std::size_t>(split->value.data() - line.data()) +
                                          split->value.size() - shownFrom);
        const std::string_view rest = split->value;
        DocumentLine entry;
        entry.keyword = keptKeyword(split->keyword);
        entry.text = line;
        entry.file = file;
        entry.line = number;
        entry.valueAt = static_cast<std::uint32_t>(rest.data() - line.data());
        auto keepArguments = [&] {
            std::vector<std::string> words = argumentsOf(entry);
            entry.arguments = static_cast<std::uint32_t>(document.argumentStarts.size() - 1);
            document.argumentWords.insert(document.argumentWords.end(),
                                          std::make_move_iterator(words.begin()),
                                          std::make_move_iterator(words.end()));
            document.argumentStarts.push_back(
                static_cast<std::uint32_t>(document.argumentWords.size()));
            return document.arguments(entry);
        };
        if (entry.keyword == "include") {
            const auto files = ConfigParser::includedFiles(keepArguments(), homedir_, met_);
            entry.kind = DocumentLine::Kind::includeBegin;
            document.lines.push_back(entry);
            const bool leaving = leaving_;
            for (const std::string& included : files)
                read(included, depth + 1);
            leaving_ = leaving;
            entry.kind = DocumentLine::Kind::includeEnd;
            document.lines.push_back(entry);
            return;
        }
        if (entry.keyword == "host" || entry.keyword == "match") {
            entry.kind =
                entry.keyword == "host" ? DocumentLine::Kind::host : DocumentLine::Kind::match;
            // A header OpenSSH cannot split still ends the block before it;
            // it takes no name.
            const auto patterns = keepArguments();
            leaving_ = entry.kind == DocumentLine::Kind::host && leftOut_ && leftOut_(patterns);
        }
        document.lines.push_back(entry);
    }

    const std::string& homedir_;
    const TextOverrides& overrides_;
    ConfigReadProblems* problems_;
    ConfigFiles* met_;
    const BlockFilter& leftOut_;
    bool leaving_ = false; // in a block whose option lines are left out
    std::set<std::string> visited_;
};

} // namespace

std::vector<std::string> argumentsOf(const DocumentLine& line) {
    return splitArguments(line.value()).value_or(std::vector<std::string>{});
}

std::string valueOf(const DocumentLine& line) {
    // OpenSSH hands the rest of a command's line to the shell as written,
    // quotes and "#" included.
    if (takesRestOfLine(line.keyword)) {
        const std::string_view value = line.value();
        return std::string(
            value.substr(std::min(value.find_first_not_of(" \t\r\n="), value.size())));
    }
    return joinedArguments(line.value());
}

bool takesRestOfLine(std::string_view keyword) {
    return keyword == "proxycommand" || keyword == "localcommand" || keyword == "remotecommand" ||
           keyword == "knownhostscommand";
}

std::string writtenKeyword(const DocumentLine& line) {
    // Nearly always the line begins with the keyword itself, followed by a
    // blank or "=": no need to split the line again.
    const std::string_view start = line.text.substr(0, std::string_view(line.keyword).size());
    if (line.text.size() > start.size() &&
        std::string_view(" \t=").find(line.text[start.size()]) != std::string_view::npos &&
        equalsIgnoringCase(start, line.keyword))
        return std::string(start);
    return std::string(splitLine(line.text)->keyword);
}

ConfigDocument readDocument(const std::string& from, const std::string& homedir,
                            const TextOverrides& overrides, ConfigReadProblems* problems,
                            ConfigFiles* met, const BlockFilter& leftOut) {
    DocumentReader reader(homedir, overrides, problems, met, leftOut);
    reader.read(from, 0);
    return std::move(reader.document);
}

std::vector<std::uint32_t> blockOptionLines(const ConfigDocument& document,
                                            const ConfigPlace& header, std::string_view keyword) {
    using Kind = DocumentLine::Kind;
    std::vector<std::uint32_t> found;
    const auto count = static_cast<std::uint32_t>(document.lines.size());
    std::uint32_t i = 0;
    while (i < count &&
           !(document.lines[i].kind == Kind::host && document.lines[i].line == header.line &&
             document.files[document.lines[i].file] == header.file))
        ++i;
    if (i == count)
        return found;
    const std::uint32_t file = document.lines[i].file;
    for (++i; i < count; ++i) {
        const DocumentLine& line = document.lines[i];
        if (line.file != file)
            continue;
        if (line.kind == Kind::host || line.kind == Kind::match)
            break;
        if (line.kind == Kind::option && line.keyword == keyword)
            found.push_back(i);
    }
    return found;
}

} // namespace moorkeep::config
