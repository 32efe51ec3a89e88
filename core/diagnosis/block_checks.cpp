#include "diagnosis/block_checks.h"

#include "openssh/ssh_arguments.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace moorkeep::BlockChecks {
namespace {

using config::DocumentLine;
using Kind = DocumentLine::Kind;

// A Host block: its header, the option lines that follow it in its own
// file, and the headers in force at the Include lines that led to its file.
struct Block {
    std::uint32_t header = 0;
    std::vector<std::uint32_t> options;
    // Each: the Include line, and the header its block has (if any).
    std::vector<std::pair<std::uint32_t, std::optional<std::uint32_t>>> includedBy;
};

std::vector<Block> hostBlocks(const config::ConfigDocument& document) {
    std::vector<Block> blocks;
    std::vector<std::pair<std::uint32_t, std::optional<std::uint32_t>>> includes;
    std::vector<std::optional<std::uint32_t>> headers(1); // per depth
    std::optional<std::size_t> open;                      // into blocks
    const auto count = static_cast<std::uint32_t>(document.lines.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const DocumentLine& line = document.lines[i];
        switch (line.kind) {
        case Kind::host:
        case Kind::match:
            headers.back() = i;
            open.reset();
            if (line.kind == Kind::host) {
                blocks.push_back({i, {}, includes});
                open = blocks.size() - 1;
            }
            break;
        case Kind::includeBegin:
            includes.emplace_back(i, headers.back());
            headers.emplace_back();
            open.reset();
            break;
        case Kind::includeEnd:
            includes.pop_back();
            headers.pop_back();
            open.reset();
            break;
        case Kind::option:
            if (open)
                blocks[*open].options.push_back(i);
            break;
        }
    }
    return blocks;
}

struct Names {
    std::vector<std::string> positive;
    bool wildcard = false;
};

Names namesOf(std::span<const std::string> patterns) {
    Names names;
    for (const auto& pattern : patterns) {
        if (!pattern.empty() && pattern.front() == '!')
            continue;
        if (pattern.find_first_of("*?") != std::string::npos)
            names.wildcard = true;
        else
            names.positive.push_back(pattern);
    }
    return names;
}

class Checker {
public:
    Checker(const DiagnosisInput& input, std::vector<Finding>& findings)
        : input_(input)
        , document_(input.evaluator.document())
        , findings_(findings) {}

    void check(const Block& block) {
        const DocumentLine& header = document_.lines[block.header];
        const Names names = namesOf(document_.arguments(header));
        const bool again = !names.positive.empty() &&
                           std::ranges::all_of(names.positive, [&](const std::string& name) {
                               return seen_.contains(name);
                           });
        seen_.insert(names.positive.begin(), names.positive.end());
        if (names.wildcard || block.options.empty())
            return;
        if (names.positive.empty()) {
            add(block, "block-never-applies",
                std::string(header.text) +
                    " can never apply: it has no pattern that takes a name.");
            return;
        }
        bool allShadowed = true;
        for (const auto& name : names.positive) {
            const HostEvaluation evaluation =
                input_.evaluator.evaluate(name, input_.localUser, false);
            if (!readFor(block, name, evaluation))
                return;
            allShadowed = allShadowed && shadowed(block, evaluation);
        }
        if (!allShadowed)
            return;
        if (again)
            add(block, "duplicate-alias-shadowed",
                std::string(header.text) + " repeats an earlier block whose lines come first: ssh "
                                           "uses none of its lines.");
        else
            add(block, "block-never-applies",
                std::string(header.text) + " never applies: earlier blocks set every option it "
                                           "sets, for every name it takes.");
    }

private:
    bool takes(std::uint32_t header, const std::string& name, const HostEvaluation& evaluation,
               bool& unjudged) const {
        const DocumentLine& line = document_.lines[header];
        if (line.kind == Kind::host)
            return config::hostPatternsMatch(name, document_.arguments(line));
        const ConfigPlace place{document_.files[line.file], line.line};
        auto at = [&](const ConfigCondition& c) { return c.place == place; };
        if (std::ranges::any_of(evaluation.unresolved, at))
            unjudged = true;
        return std::ranges::any_of(evaluation.alsoApplies, at);
    }

    // Whether OpenSSH reads the block for the name; a warning when an
    // Include's block keeps it out.
    bool readFor(const Block& block, const std::string& name, const HostEvaluation& evaluation) {
        for (const auto& [include, header] : block.includedBy) {
            bool unjudged = false;
            if (!header || takes(*header, name, evaluation, unjudged))
                continue;
            if (unjudged)
                return false;
            const DocumentLine& by = document_.lines[include];
            add(block, "never-read",
                std::string(document_.lines[block.header].text) + " is never read for " + name +
                    ": " + input_.files.displayPath(document_.files[by.file]) + " line " +
                    std::to_string(by.line) + " includes it under \"" +
                    std::string(document_.lines[*header].text) + "\", which does not take " + name +
                    ".");
            return false;
        }
        return true;
    }

    bool shadowed(const Block& block, const HostEvaluation& evaluation) const {
        for (std::uint32_t option : block.options) {
            const DocumentLine& line = document_.lines[option];
            const ConfigPlace place{document_.files[line.file], line.line};
            if (std::ranges::none_of(evaluation.shadowed,
                                     [&](const ShadowedLine& s) { return s.place == place; }))
                return false;
        }
        return true;
    }

    void add(const Block& block, const char* code, std::string message) {
        const DocumentLine& header = document_.lines[block.header];
        findings_.push_back(input_.at(Severity::warning, code, document_.files[header.file],
                                      header.line, std::move(message)));
    }

    const DiagnosisInput& input_;
    const config::ConfigDocument& document_;
    std::vector<Finding>& findings_;
    std::unordered_set<std::string> seen_;
};

} // namespace

void unusedBlocks(const DiagnosisInput& input, std::vector<Finding>& findings) {
    Checker checker(input, findings);
    for (const Block& block : hostBlocks(input.evaluator.document()))
        checker.check(block);
}

} // namespace moorkeep::BlockChecks
