#include "config/config_parser.h"

#include "config/config_syntax.h"
#include "config/config_text.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "model/short_digest.h"

#include <glob.h>
#include <optional>

namespace moorkeep::ConfigParser {
namespace {

// The files an Include value names, in order. Like OpenSSH, the value may
// list several paths and a relative path is taken from ~/.ssh.
std::vector<std::string> includedFiles(std::string_view value, const std::string& homedir) {
    std::vector<std::string> files;
    for (const std::string& word : config::words(value)) {
        std::string path = paths::expandTilde(word, homedir);
        if (path.front() != '/')
            path = paths::join(paths::join(homedir, ".ssh"), path);
        if (path.find_first_of("*?") != std::string::npos) {
            glob_t matches{};
            if (::glob(path.c_str(), 0, nullptr, &matches) == 0) {
                for (std::size_t i = 0; i < matches.gl_pathc; ++i)
                    files.emplace_back(matches.gl_pathv[i]);
            }
            ::globfree(&matches);
        } else if (files::exists(path)) {
            files.push_back(path);
        }
    }
    return files;
}

struct Reading {
    std::set<std::string>& visited;
    const std::string& homedir;
    ConfigReadProblems& problems;
};

// The file's text, or nothing when it is to be skipped (a problem is noted
// for every reason but a missing file).
std::optional<std::string> readText(const std::string& name, Reading& reading) {
    files::ReadResult read = files::readFile(name);
    using Kind = ConfigReadProblem::Kind;
    switch (read.status) {
    case files::ReadStatus::missing:
        return std::nullopt;
    case files::ReadStatus::unreadable:
        reading.problems.push_back({name, Kind::unreadable, read.errorNumber});
        return std::nullopt;
    case files::ReadStatus::tooLarge:
        reading.problems.push_back({name, Kind::tooLarge, 0});
        return std::nullopt;
    case files::ReadStatus::ok:
        break;
    }
    if (!files::isValidUtf8(read.bytes)) {
        reading.problems.push_back({name, Kind::notUtf8, 0});
        return std::nullopt;
    }
    return std::move(read.bytes);
}

std::vector<ConfigLineSource> readLinesAt(const std::string& from, Reading& reading, int depth) {
    const std::string name = paths::standardize(from, reading.homedir);
    // A chain of includes deeper than OpenSSH follows is cut, which also
    // bounds the recursion.
    if (depth > includeDepthLimit) {
        reading.problems.push_back({name, ConfigReadProblem::Kind::tooDeep, 0});
        return {};
    }
    if (!reading.visited.insert(name).second)
        return {};
    auto text = readText(name, reading);
    if (!text)
        return {};

    std::vector<ConfigLineSource> lines;
    const config::ConfigText configText(*text);
    for (std::size_t i = 0; i < configText.lineCount(); ++i) {
        std::string_view line = config::trimBlanks(configText.line(i));
        if (line.empty() || line.front() == '#')
            continue;
        std::string keyword, value;
        if (!splitDirective(line, keyword, value))
            continue;
        if (config::equalsIgnoringCase(keyword, "include")) {
            for (const std::string& file : includedFiles(value, reading.homedir)) {
                auto included = readLinesAt(file, reading, depth + 1);
                lines.insert(lines.end(), std::make_move_iterator(included.begin()),
                             std::make_move_iterator(included.end()));
            }
            continue;
        }
        lines.push_back({std::move(keyword), std::move(value), name});
    }
    return lines;
}

} // namespace

bool splitDirective(std::string_view line, std::string& keyword, std::string& value) {
    auto isSeparator = [](char c) { return config::isSpace(c) || c == '='; };
    std::size_t end = 0;
    while (end < line.size() && !isSeparator(line[end]))
        ++end;
    if (end == line.size())
        return false;
    std::size_t start = end;
    while (start < line.size() && isSeparator(line[start]))
        ++start;
    keyword = std::string(line.substr(0, end));
    value = std::string(config::trimEnd(line.substr(start)));
    return !keyword.empty() && !value.empty();
}

std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir) {
    std::set<std::string> visited;
    return readLines(from, visited, homedir);
}

std::vector<ConfigLineSource> readLines(const std::string& from, std::set<std::string>& visited,
                                        const std::string& homedir) {
    ConfigReadProblems problems;
    Reading reading{visited, homedir, problems};
    return readLinesAt(from, reading, 0);
}

std::vector<ConfigLineSource> readLines(const std::string& from, const std::string& homedir,
                                        ConfigReadProblems& problems) {
    std::set<std::string> visited;
    Reading reading{visited, homedir, problems};
    return readLinesAt(from, reading, 0);
}

std::string hostId(std::string_view alias) {
    return shortDigest("ssh-config:" + std::string(alias));
}

} // namespace moorkeep::ConfigParser
