#include "config/config_parser.h"

#include "config/config_syntax.h"
#include "config/config_text.h"
#include "config/line_interpreter.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "model/short_digest.h"

#include <glob.h>

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

bool splitDirective(std::string_view line, std::string_view& keyword, std::string_view& value) {
    auto isSeparator = [](char c) { return config::isSpace(c) || c == '='; };
    std::size_t end = 0;
    while (end < line.size() && !isSeparator(line[end]))
        ++end;
    if (end == line.size())
        return false;
    std::size_t start = end;
    while (start < line.size() && isSeparator(line[start]))
        ++start;
    keyword = line.substr(0, end);
    value = config::trimEnd(line.substr(start));
    return !keyword.empty() && !value.empty();
}

} // namespace

bool splitDirective(std::string_view line, std::string& keyword, std::string& value) {
    std::string_view keywordText, valueText;
    if (!splitDirective(line, keywordText, valueText))
        return false;
    keyword = keywordText;
    value = valueText;
    return true;
}

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

void readLines(const std::string& from, std::set<std::string>& visited,
               const std::string& homedir, const LineSink& sink) {
    const std::string name = paths::standardize(from, homedir);
    if (!visited.insert(name).second)
        return;
    auto text = files::readUtf8(name);
    if (!text)
        return;

    const config::ConfigText configText(*text);
    for (std::size_t i = 0; i < configText.lineCount(); ++i) {
        std::string_view line = config::trimBlanks(configText.line(i));
        if (line.empty() || line.front() == '#')
            continue;
        std::string_view keyword, value;
        if (!splitDirective(line, keyword, value))
            continue;
        if (config::equalsIgnoringCase(keyword, "include")) {
            for (const std::string& file : includedFiles(value, homedir))
                readLines(file, visited, homedir, sink);
            continue;
        }
        sink(keyword, value, name);
    }
}

namespace {

ParsedConfig readWith(config::LineInterpreter& interpreter, const std::string& from,
                      const std::string& homedir) {
    std::set<std::string> visited;
    readLines(from, visited, homedir,
              [&](std::string_view directive, std::string_view value, const std::string& file) {
                  interpreter.add(directive, value, file);
              });
    return interpreter.finish();
}

} // namespace

ParsedConfig read(const std::string& from, const KeyPathToId& keyPathToId,
                  const std::string& homedir) {
    config::LineInterpreter interpreter(keyPathToId, homedir);
    return readWith(interpreter, from, homedir);
}

ParsedConfig read(const std::string& from, const KeyPathToId& keyPathToId,
                  const std::string& homedir, const AliasFilter& onlyAliases) {
    config::LineInterpreter interpreter(keyPathToId, homedir, &onlyAliases);
    return readWith(interpreter, from, homedir);
}

std::string hostId(std::string_view alias) {
    return shortDigest("ssh-config:" + std::string(alias));
}

} // namespace moorkeep::ConfigParser
