#include "config/config_edits.h"

#include "config/config_blocks.h"
#include "config/config_body.h"
#include "config/config_text.h"

namespace moorkeep::config {

std::optional<std::string> editHostBlock(std::string_view in, const SSHHost& host,
                                         const std::optional<std::string>& originalAlias,
                                         const Defaults& defaults, const KeyIdToPath& keyIdToPath) {
    const ConfigText text(in);
    const auto block = findHostBlock(text, originalAlias ? *originalAlias : host.alias);
    if (!block)
        return std::nullopt;
    std::vector<std::string> lines{"Host " + host.alias};
    for (std::string& line :
         renderHostBody(host, defaults, keyIdToPath, blockIndentation(text, *block)))
        lines.push_back(std::move(line));
    return text.splice(block->header, block->end, lines);
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
                                             const KeyIdToPath& keyIdToPath) {
    const ConfigText text(in);
    const auto block = findHostBlock(text, defaultsPattern);
    if (!block)
        return std::nullopt;
    return text.splice(block->header + 1, block->end,
                       renderDefaultsBody(defaults, keyIdToPath, blockIndentation(text, *block)));
}

} // namespace moorkeep::config
