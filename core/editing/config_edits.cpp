#include "editing/config_edits.h"

#include "editing/config_blocks.h"
#include "editing/config_body.h"
#include "model/ascii.h"
#include "reading/config_line.h"
#include "reading/config_parser.h"
#include "reading/config_syntax.h"
#include "reading/config_text.h"

#include <algorithm>

namespace moorkeep::config {

namespace {

// Lines [from, to) of the text to be replaced by `lines`.
struct LineEdit {
    std::size_t from;
    std::size_t to;
    std::vector<std::string> lines;
};

// Applies edits that do not overlap, last first, so that the line numbers of
// the ones still to come stay valid.
// An edit that ends before the last line only replaces the bytes of its
// lines, which stand where they stood in the text as long as no edit has
// touched its end: such edits are replaced in place, without splitting the
// whole text into lines again.
std::string applyEdits(const ConfigText& original, std::vector<LineEdit> edits) {
    std::sort(edits.begin(), edits.end(),
              [](const LineEdit& a, const LineEdit& b) { return a.from > b.from; });
    std::string text(original.text());
    bool inPlace = true;
    for (const LineEdit& edit : edits) {
        inPlace = inPlace && edit.to < original.lineCount();
        if (!inPlace) {
            text = ConfigText(text).splice(edit.from, edit.to, edit.lines);
            continue;
        }
        std::string lines;
        for (const std::string& line : edit.lines)
            lines.append(line).append(original.lineEnd());
        const std::size_t start = original.lineStart(edit.from);
        text.replace(start, original.lineStart(edit.to) - start, lines);
    }
    return text;
}

// Each changed group's lines: the new ones stand where its first line stood
// and the others go; a group the block lacks is added after its last line.
std::vector<LineEdit> groupEdits(const ConfigText& text, const Block& block,
                                 const std::vector<FieldGroup>& groups) {
    const std::string indentation = blockIndentation(text, block);
    std::vector<LineEdit> edits;
    std::vector<bool> placed(groups.size(), false);
    for (std::size_t i = block.header + 1; i < block.end; ++i) {
        const auto keyword = directiveKeyword(text.line(i));
        if (!keyword)
            continue;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (!equalsIgnoringCase(*keyword, groups[g].keyword))
                continue;
            LineEdit edit{i, i + 1, {}};
            if (!placed[g])
                edit.lines = renderGroups({groups[g]}, indentation);
            placed[g] = true;
            edits.push_back(std::move(edit));
            break;
        }
    }
    std::vector<FieldGroup> missing;
    for (std::size_t g = 0; g < groups.size(); ++g)
        if (!placed[g])
            missing.push_back(groups[g]);
    auto added = renderGroups(missing, indentation);
    if (!added.empty())
        edits.push_back({block.end, block.end, std::move(added)});
    return edits;
}

ConfigParser::KeyPathToId pathsAsWritten(const KeyIdToPath& keyIdToPath) {
    ConfigParser::KeyPathToId keyPathToId;
    for (const auto& [id, path] : keyIdToPath)
        keyPathToId[path] = id;
    return keyPathToId;
}

// The text's directive lines as the parser reads them, without following
// Include lines. With "~" as the home directory, a key path of the map
// ("~/.ssh/...") finds its key exactly as written.
ParsedConfig parseText(std::string_view in, const KeyIdToPath& keyIdToPath) {
    const ConfigText text(in);
    std::vector<ConfigLineSource> lines;
    for (std::size_t i = 0; i < text.lineCount(); ++i) {
        auto line = splitLine(text.line(i));
        if (!line || equalsIgnoringCase(line->keyword, "include"))
            continue;
        lines.push_back({std::string(line->keyword), std::string(line->value), ""});
    }
    return ConfigParser::parse(lines, pathsAsWritten(keyIdToPath), "~");
}

} // namespace

std::optional<std::string> editHostBlock(std::string_view in, const SSHHost& host,
                                         const SSHHost& original,
                                         const std::optional<std::string>& originalAlias,
                                         const Defaults& defaults, const KeyIdToPath& keyIdToPath) {
    const ConfigText text(in);
    const std::string alias = originalAlias ? *originalAlias : host.alias;
    const auto block = findHostBlock(text, alias);
    if (!block)
        return std::nullopt;
    auto edits = groupEdits(text, *block, changedHostGroups(original, host, defaults, keyIdToPath));
    if (host.alias != alias)
        edits.push_back({block->header, block->header + 1, {"Host " + host.alias}});
    return applyEdits(text, std::move(edits));
}

std::optional<std::string> removeHostBlock(std::string_view in, std::string_view alias) {
    const ConfigText text(in);
    const auto block = findHostBlock(text, alias);
    if (!block)
        return std::nullopt;
    std::size_t from = block->header;
    while (from > 0 && isBlank(text.line(from - 1)))
        --from;
    return text.splice(from, block->end, {});
}

std::optional<std::string> editDefaultsBlock(std::string_view in, const Defaults& defaults,
                                             const Defaults& original,
                                             const KeyIdToPath& keyIdToPath) {
    const ConfigText text(in);
    const auto block = findHostBlock(text, defaultsPattern);
    if (!block)
        return std::nullopt;
    return applyEdits(
        text, groupEdits(text, *block, changedDefaultsGroups(original, defaults, keyIdToPath)));
}

std::optional<SSHHost> hostInText(std::string_view in, std::string_view alias,
                                  const KeyIdToPath& keyIdToPath) {
    for (SSHHost& host : parseText(in, keyIdToPath).hosts)
        if (host.alias == alias)
            return std::move(host);
    return std::nullopt;
}

Defaults defaultsInText(std::string_view in, const KeyIdToPath& keyIdToPath) {
    return parseText(in, keyIdToPath).defaults;
}

} // namespace moorkeep::config
