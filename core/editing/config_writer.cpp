#include "editing/config_writer.h"

#include "editing/config_blocks.h"
#include "editing/config_body.h"
#include "editing/config_edits.h"
#include "reading/config_text.h"

namespace moorkeep::ConfigWriter {

namespace {

std::size_t lineEndLengthAtEnd(std::string_view text) {
    if (text.ends_with("\r\n"))
        return 2;
    return text.ends_with('\n') ? 1 : 0;
}

// One blank line between what is there and the new block, unless the text
// is empty or already ends with one.
std::string appendBlock(std::string_view to, std::string_view header,
                        const std::vector<std::string>& body) {
    const std::string_view lineEnd = config::lineEndOf(to);
    std::string out(to);
    if (!to.empty()) {
        const std::size_t last = lineEndLengthAtEnd(to);
        if (last == 0)
            out.append(lineEnd).append(lineEnd);
        else if (lineEndLengthAtEnd(to.substr(0, to.size() - last)) == 0)
            out.append(lineEnd);
    }
    out.append(header).append(lineEnd);
    for (const std::string& line : body)
        out.append(line).append(lineEnd);
    return out;
}

} // namespace

std::string appendHostBlock(std::string_view to, const SSHHost& host, const Defaults& defaults,
                            const KeyIdToPath& keyIdToPath) {
    return appendBlock(
        to, "Host " + host.alias,
        config::renderGroups(config::changedHostGroups(std::nullopt, host, defaults, keyIdToPath),
                             "  "));
}

std::string insertHostBlock(std::string_view to, const SSHHost& host, const Defaults& defaults,
                            const KeyIdToPath& keyIdToPath, std::size_t beforeLine) {
    const config::ConfigText text(to);
    if (beforeLine >= text.lineCount())
        return appendHostBlock(to, host, defaults, keyIdToPath);
    // Comment lines right above a header speak of its block and stay with it.
    while (beforeLine > 0 && !config::isBlank(text.line(beforeLine - 1)) &&
           config::isBlankOrComment(text.line(beforeLine - 1)))
        --beforeLine;
    std::vector<std::string> lines{"Host " + host.alias};
    for (std::string& line : config::renderGroups(
             config::changedHostGroups(std::nullopt, host, defaults, keyIdToPath), "  "))
        lines.push_back(std::move(line));
    lines.emplace_back();
    return text.splice(beforeLine, beforeLine, lines);
}

std::optional<std::string> moveHostBlock(std::string_view in, const std::string& alias,
                                         std::size_t beforeLine) {
    const config::ConfigText text(in);
    const auto block = config::findHostBlock(text, alias);
    if (!block || beforeLine >= block->header || !config::readHeader(text.line(beforeLine)))
        return std::nullopt;
    while (beforeLine > 0 && !config::isBlank(text.line(beforeLine - 1)) &&
           config::isBlankOrComment(text.line(beforeLine - 1)))
        --beforeLine;
    // The block's own bytes, line ends included; one blank line before it
    // went with it when it was added, and goes with it again.
    std::size_t from = block->header;
    if (from > 0 && config::isBlank(text.line(from - 1)))
        --from;
    const std::size_t blockStart = text.lineStart(block->header);
    const std::size_t blockEnd =
        block->end < text.lineCount() ? text.lineStart(block->end) : in.size();
    std::string moved(in.substr(blockStart, blockEnd - blockStart));
    if (!moved.ends_with('\n'))
        moved.append(text.lineEnd());
    moved.append(text.lineEnd());
    const std::size_t at = text.lineStart(beforeLine);
    std::string out(in.substr(0, at));
    out += moved;
    out.append(in.substr(at, text.lineStart(from) - at));
    out.append(in.substr(blockEnd));
    return out;
}

std::string updateHostBlock(std::string_view in, const SSHHost& host,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath) {
    const auto original = config::hostInText(in, originalAlias.value_or(host.alias), keyIdToPath);
    if (!original)
        return std::string(in);
    return updateHostBlock(in, host, *original, originalAlias, defaults, keyIdToPath);
}

std::string updateHostBlock(std::string_view in, const SSHHost& host, const SSHHost& original,
                            const std::optional<std::string>& originalAlias,
                            const Defaults& defaults, const KeyIdToPath& keyIdToPath) {
    return config::editHostBlock(in, host, original, originalAlias, defaults, keyIdToPath)
        .value_or(std::string(in));
}

std::string deleteHostBlock(std::string_view in, const std::string& alias) {
    return config::removeHostBlock(in, alias).value_or(std::string(in));
}

std::string updateDefaultsBlock(std::string_view in, const Defaults& defaults,
                                const KeyIdToPath& keyIdToPath) {
    return updateDefaultsBlock(in, defaults, config::defaultsInText(in, keyIdToPath), keyIdToPath);
}

std::string updateDefaultsBlock(std::string_view in, const Defaults& defaults,
                                const Defaults& original, const KeyIdToPath& keyIdToPath) {
    return config::editDefaultsBlock(in, defaults, original, keyIdToPath).value_or(std::string(in));
}

std::string appendDefaultsBlock(std::string_view to, const Defaults& defaults,
                                const std::optional<Defaults>& original,
                                const KeyIdToPath& keyIdToPath) {
    return appendBlock(
        to, "Host *",
        config::renderGroups(config::changedDefaultsGroups(original, defaults, keyIdToPath), "  "));
}

bool hasHostBlock(std::string_view text, const std::string& alias) {
    return config::findHostBlock(config::ConfigText(text), alias).has_value();
}

} // namespace moorkeep::ConfigWriter
