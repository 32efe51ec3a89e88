#include "openssh/block_reach.h"

#include "files/file_error.h"
#include "openssh/ssh_arguments.h"

#include <algorithm>
#include <optional>

namespace moorkeep::BlockReach {
namespace {

using config::DocumentLine;
using Kind = DocumentLine::Kind;

// The Include line whose files hold the line at this index.
std::optional<std::size_t> enclosingInclude(const config::ConfigDocument& document,
                                            std::size_t index) {
    int depth = 0;
    while (index-- > 0) {
        const Kind kind = document.lines[index].kind;
        if (kind == Kind::includeEnd)
            ++depth;
        else if (kind == Kind::includeBegin && depth-- == 0)
            return index;
    }
    return std::nullopt;
}

ConfigPlace placeOf(const config::ConfigDocument& document, const DocumentLine& line) {
    return {document.files[line.file], line.line};
}

} // namespace

void requireRead(const config::OpenSSHEvaluator& evaluator, const std::string& name,
                 const std::string& pattern, const std::string& localUser, const std::string& block,
                 const EffectCheck::ShowPath& showPath) {
    const config::ConfigDocument& document = evaluator.document();
    const auto header = std::ranges::find_if(document.lines, [&](const DocumentLine& line) {
        return line.kind == Kind::host && config::headerPatterns(line.value()) == pattern;
    });
    if (header == document.lines.end())
        return;
    std::optional<HostEvaluation> evaluation;
    auto takes = [&](const DocumentLine& line) {
        if (line.kind == Kind::host)
            return config::hostPatternsMatch(name, document.arguments(line));
        if (!evaluation)
            evaluation = evaluator.evaluate(name, localUser);
        return std::ranges::any_of(evaluation->alsoApplies, [&](const ConfigCondition& applied) {
            return applied.place == placeOf(document, line);
        });
    };
    const std::string where =
        showPath(document.files[header->file]) + " line " + std::to_string(header->line);
    // A Host line OpenSSH cannot split takes no name at all.
    if (!config::hostPatternsMatch(name, document.arguments(*header)))
        throw FileError("OpenSSH never reads " + block + " for " + name + ": its Host line (" +
                        where + ") takes no such name. Nothing was changed.");
    auto at = static_cast<std::size_t>(header - document.lines.begin());
    while (const auto include = enclosingInclude(document, at)) {
        at = *include;
        const DocumentLine& line = document.lines[at];
        const DocumentLine* around = EffectCheck::headerOf(document, placeOf(document, line));
        if (!around || takes(*around))
            continue;
        throw FileError("OpenSSH never reads " + block + " for " + name + ": " +
                        showPath(document.files[header->file]) +
                        " is read through the Include at " + showPath(document.files[line.file]) +
                        " line " + std::to_string(line.line) + ", inside \"" +
                        std::string(around->text) + "\", which does not take " + name +
                        ". Nothing was changed.");
    }
}

} // namespace moorkeep::BlockReach
