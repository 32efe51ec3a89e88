#include "reading/config_parser.h"

#include "files/paths.h"
#include "files/text_file.h"
#include "model/ascii.h"
#include "model/short_digest.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_line.h"
#include "reading/config_syntax.h"
#include "reading/config_text.h"
#include "reading/line_interpreter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <glob.h>
#include <optional>

namespace moorkeep::ConfigParser {
namespace {

// The folder whose listing decides what a glob pattern matches: the longest
// leading part of the path without a wildcard.
std::string listedFolder(const std::string& pattern) {
    return paths::parent(pattern.substr(0, pattern.find_first_of("*?")));
}

} // namespace

std::vector<std::string> includedFiles(std::span<const std::string> words,
                                       const std::string& homedir, ConfigFiles* met) {
    std::vector<std::string> files;
    auto noteFolder = [&](std::string folder) {
        if (met &&
            std::find(met->folders.begin(), met->folders.end(), folder) == met->folders.end())
            met->folders.push_back(std::move(folder));
    };
    for (const std::string& word : words) {
        if (word.empty())
            continue;
        std::string path = paths::expandTilde(word, homedir);
        if (path.front() != '/')
            path = paths::join(paths::join(homedir, ".ssh"), path);
        if (path.find_first_of("*?") != std::string::npos) {
            noteFolder(listedFolder(path));
            glob_t matches{};
            if (::glob(path.c_str(), 0, nullptr, &matches) == 0) {
                for (std::size_t i = 0; i < matches.gl_pathc; ++i)
                    files.emplace_back(matches.gl_pathv[i]);
            }
            ::globfree(&matches);
        } else if (files::exists(path)) {
            files.push_back(path);
        } else {
            noteFolder(paths::parent(path));
        }
    }
    return files;
}

std::optional<std::string> readText(const std::string& name, ConfigReadProblems* problems) {
    files::ReadResult read = files::readFile(name);
    using Kind = ConfigReadProblem::Kind;
    auto note = [&](Kind kind, int errorNumber) {
        if (problems)
            problems->push_back({name, kind, errorNumber});
    };
    switch (read.status) {
    case files::ReadStatus::missing:
        return std::nullopt;
    case files::ReadStatus::unreadable:
        note(Kind::unreadable, read.errorNumber);
        return std::nullopt;
    case files::ReadStatus::tooLarge:
        note(Kind::tooLarge, 0);
        return std::nullopt;
    case files::ReadStatus::ok:
        break;
    }
    if (!files::isValidUtf8(read.bytes)) {
        note(Kind::notUtf8, 0);
        return std::nullopt;
    }
    return std::move(read.bytes);
}

bool enterFile(const std::string& name, int depth, std::set<std::string>& visited,
               ConfigReadProblems* problems, ConfigFiles* met) {
    // Cutting a chain of includes deeper than OpenSSH follows also bounds
    // the recursion of the readers.
    if (depth > includeDepthLimit) {
        if (problems)
            problems->push_back({name, ConfigReadProblem::Kind::tooDeep, 0});
        return false;
    }
    if (!visited.insert(name).second)
        return false;
    if (met)
        met->files.push_back(name);
    return true;
}

// Eight bytes are looked at together for an "i" (OR-ing 0x20 folds the case
// of exactly the letters of the word).
bool mentionsInclude(std::string_view text) {
    if (text.find('"') != std::string_view::npos)
        return true;
    constexpr std::string_view word = "include";
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highs = 0x8080808080808080;
    const auto startsAt = [&](std::size_t at) {
        return (text[at] | 0x20) == 'i' && equalsIgnoringCase(text.substr(at, word.size()), word);
    };
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, text.data() + at, 8);
        const std::uint64_t folded = (bytes | ones * 0x20) ^ (ones * 'i');
        if (((folded - ones) & ~folded & highs) == 0)
            continue;
        for (std::size_t i = at; i < at + 8; ++i)
            if (startsAt(i))
                return true;
    }
    for (; at < text.size(); ++at)
        if (startsAt(at))
            return true;
    return false;
}

namespace {

// Whether the line may be an Include line: after blanks it starts with
// "include" in any case or with "=", which splitting sees past, or its first
// word holds a quote, which joins the keyword's pieces ("In"clude" is
// Include).
bool mayInclude(std::string_view line) {
    const std::size_t start = line.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return false;
    const std::size_t end = std::min(line.find_first_of(" \t\r\n=", start), line.size());
    return line[start] == '=' ||
           line.substr(start, end - start).find('"') != std::string_view::npos ||
           equalsIgnoringCase(line.substr(start, 7), "include");
}

void readLinesAt(const std::string& from, std::set<std::string>& visited,
                 const std::string& homedir, const LineSink& sink, ConfigReadProblems* problems,
                 ConfigFiles* met, int depth) {
    const std::string name = paths::standardize(from, homedir);
    if (!enterFile(name, depth, visited, problems, met))
        return;
    auto text = readText(name, problems);
    if (!text || (!sink && !mentionsInclude(*text)))
        return;

    config::forEachLine(*text, [&](std::string_view written, std::size_t) {
        // Without a sink only the Include lines matter.
        if (!sink && !mayInclude(written))
            return;
        const auto line = config::splitLine(written);
        if (!line)
            return;
        if (equalsIgnoringCase(line->keyword, "include")) {
            // Quoted paths are one word, as OpenSSH reads them.
            const auto words = config::splitArguments(line->value);
            for (const std::string& file :
                 includedFiles(words.value_or(std::vector<std::string>{}), homedir, met))
                readLinesAt(file, visited, homedir, sink, problems, met, depth + 1);
            return;
        }
        if (sink)
            sink(line->keyword, line->value, name);
    });
}

} // namespace

std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir) {
    std::set<std::string> visited;
    return readLines(from, visited, homedir);
}

std::vector<ConfigLineSource> readLines(const std::string& from, std::set<std::string>& visited,
                                        const std::string& homedir) {
    std::vector<ConfigLineSource> lines;
    readLines(from, visited, homedir,
              [&](std::string_view directive, std::string_view value, const std::string& file) {
                  lines.push_back({std::string(directive), std::string(value), file});
              });
    return lines;
}

void readLines(const std::string& from, std::set<std::string>& visited, const std::string& homedir,
               const LineSink& sink, ConfigReadProblems* problems, ConfigFiles* met) {
    readLinesAt(from, visited, homedir, sink, problems, met, 0);
}

std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir,
                                        ConfigReadProblems& problems) {
    std::vector<ConfigLineSource> lines;
    std::set<std::string> visited;
    readLines(
        from, visited, homedir,
        [&](std::string_view directive, std::string_view value, const std::string& file) {
            lines.push_back({std::string(directive), std::string(value), file});
        },
        &problems);
    return lines;
}

namespace {

ParsedConfig readWith(config::LineInterpreter& interpreter, const std::string& from,
                      const std::string& homedir, ConfigReadProblems* problems, ConfigFiles* met) {
    std::set<std::string> visited;
    readLines(
        from, visited, homedir,
        [&](std::string_view directive, std::string_view value, const std::string& file) {
            interpreter.add(directive, value, file, 0);
        },
        problems, met);
    return interpreter.finish();
}

} // namespace

ParsedConfig read(const std::string& from, const KeyPathToId& keyPathToId,
                  const std::string& homedir, ConfigReadProblems* problems, ConfigFiles* met) {
    config::LineInterpreter interpreter(keyPathToId, homedir);
    return readWith(interpreter, from, homedir, problems, met);
}

ParsedConfig read(const std::string& from, const KeyPathToId& keyPathToId,
                  const std::string& homedir, const AliasFilter& onlyAliases,
                  ConfigReadProblems* problems) {
    config::LineInterpreter interpreter(keyPathToId, homedir, &onlyAliases);
    return readWith(interpreter, from, homedir, problems, nullptr);
}

std::string hostId(std::string_view alias) {
    return shortDigest("ssh-config:" + std::string(alias));
}

} // namespace moorkeep::ConfigParser
