#include "openssh/effect_check.h"

#include "editing/config_body.h"
#include "files/file_error.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "openssh/host_effects.h"
#include "openssh/ignored_change.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_syntax.h"

#include <algorithm>

namespace moorkeep::EffectCheck {
namespace {

using config::DocumentLine;
using Kind = DocumentLine::Kind;

std::optional<std::size_t> indexOf(const config::ConfigDocument& document,
                                   const ConfigPlace& place) {
    for (std::size_t i = 0; i < document.lines.size(); ++i)
        if (document.lines[i].line == place.line &&
            document.files[document.lines[i].file] == place.file &&
            document.lines[i].kind != Kind::includeEnd)
            return i;
    return std::nullopt;
}

const DocumentLine* headerAt(const config::ConfigDocument& document, std::size_t index) {
    const std::uint32_t file = document.lines[index].file;
    int depth = 0;
    while (index-- > 0) {
        const DocumentLine& line = document.lines[index];
        if (line.kind == Kind::includeEnd)
            ++depth;
        else if (line.kind == Kind::includeBegin && depth-- == 0)
            return headerAt(document, index);
        else if (depth == 0 && line.file == file &&
                 (line.kind == Kind::host || line.kind == Kind::match))
            return &line;
    }
    return nullptr;
}

// What the change asks OpenSSH to use: a keyword, how messages name it, and
// the value (nothing: no value of its own).
struct Want {
    std::string keyword;
    std::string label;
    std::optional<std::string> value;
    bool written = true; // the change writes a line of it into the block
};

std::vector<Want> wanted(const Request& request) {
    const SSHHost& asked = request.asked;
    std::vector<Want> wants;
    for (const auto& group : request.groups) {
        const std::string keyword = asciiLower(group.keyword);
        if (keyword == "hostname")
            wants.push_back({keyword, "HostName", asked.hostname});
        else if (keyword == "user" && !asked.user.empty())
            wants.push_back({keyword, "User", asked.user});
        else if (keyword == "port")
            wants.push_back({keyword, "Port", std::to_string(asked.port)});
        else if (keyword == "identityfile" && asked.keyId && !asked.keyId->empty())
            wants.push_back({keyword, "IdentityFile", *asked.keyId});
        else if (keyword == "proxyjump")
            wants.push_back(
                {keyword, "ProxyJump",
                 asked.proxyJump && !asked.proxyJump->empty() ? asked.proxyJump : std::nullopt});
        else if (keyword != "user" && keyword != "identityfile") {
            auto own = std::find_if(
                asked.extraOptions.begin(), asked.extraOptions.end(),
                [&](const auto& entry) { return equalsIgnoringCase(entry.first, keyword); });
            wants.push_back({keyword, group.keyword,
                             own == asked.extraOptions.end()
                                 ? std::nullopt
                                 : std::optional(config::takesRestOfLine(keyword)
                                                     ? InputRules::trimWhitespace(own->second)
                                                     : config::joinedArguments(own->second))});
        }
        if (!wants.empty() && asciiLower(wants.back().keyword) == keyword)
            wants.back().written = !group.directives.empty();
    }
    return wants;
}

bool isProxy(std::string_view keyword) {
    return keyword == "proxyjump" || keyword == "proxycommand";
}

// ProxyJump and ProxyCommand share one value: the first met of either.
const EffectiveValue* first(const HostEvaluation& evaluation, std::string_view keyword) {
    for (const auto& value : evaluation.effective)
        if (value.keyword == keyword || (isProxy(keyword) && isProxy(value.keyword)))
            return &value;
    return nullptr;
}

std::string labelOf(const EffectiveValue& value, const Want& want) {
    if (value.keyword == want.keyword)
        return want.label;
    return value.keyword == "proxyjump" ? "ProxyJump" : "ProxyCommand";
}

// Whether OpenSSH's value is the one wanted; for a key, the first known key
// it offers.
bool holds(const Want& want, const HostEvaluation& evaluation, const Request& request,
           const EffectiveValue*& shown) {
    shown = first(evaluation, want.keyword);
    if (want.keyword == "identityfile") {
        for (const auto& value : evaluation.effective) {
            if (value.keyword != "identityfile")
                continue;
            auto id = config::keyIdOfIdentity(value.value, request.keyPathToId, request.homedir,
                                              request.localUser);
            if (id) {
                shown = &value;
                return *id == *want.value;
            }
        }
        return false;
    }
    // Without a value of its own the host takes what other blocks give.
    if (!want.value)
        return !shown || !shown->own;
    // OpenSSH uses every line of these, not only the first.
    if (config::accumulates(want.keyword))
        return std::ranges::any_of(evaluation.effective, [&](const EffectiveValue& value) {
            return value.keyword == want.keyword && value.value == *want.value;
        });
    if (want.keyword == "hostname")
        return config::expandedHostName(shown ? shown->value : request.name, request.name) ==
               config::expandedHostName(*want.value, request.name);
    if (want.keyword == "port")
        return (shown ? InputRules::portFromText(shown->value) : 22) ==
               InputRules::portFromText(*want.value);
    return shown && shown->keyword == want.keyword && shown->value == *want.value;
}

std::string shownWant(const Want& want, const Request& request) {
    if (want.keyword == "identityfile") {
        auto path = request.keyIdToPath.find(*want.value);
        return path == request.keyIdToPath.end() ? *want.value : path->second;
    }
    return *want.value;
}

// The block that wins, and whether the changed block, the first that names
// the name, sits below it in its file.
IgnoredChange::Winner winnerOf(const config::ConfigDocument& document, const DocumentLine* header,
                               const std::string& name) {
    IgnoredChange::Winner winner;
    if (!header)
        return winner;
    winner.header = std::string(header->text);
    winner.file = document.files[header->file];
    winner.line = header->line;
    const auto own = namingLine(document, name);
    winner.movable = own && own->place.file == winner.file && own->place.line > winner.line;
    winner.defaults = header->kind == Kind::host && document.arguments(*header).size() == 1 &&
                      document.arguments(*header)[0] == "*";
    return winner;
}

} // namespace

const config::DocumentLine* headerOf(const config::ConfigDocument& document,
                                     const ConfigPlace& place) {
    const auto index = indexOf(document, place);
    return index ? headerAt(document, *index) : nullptr;
}

std::optional<std::size_t> insertionLine(const config::OpenSSHEvaluator& evaluator,
                                         const std::string& mainFile, const std::string& name,
                                         const std::string& localUser) {
    const HostEvaluation evaluation = evaluator.evaluate(name, localUser);
    if (evaluation.alsoApplies.empty())
        return std::nullopt;
    const config::ConfigDocument& document = evaluator.document();
    const auto target = indexOf(document, evaluation.alsoApplies.front().place);
    if (!target || document.files.empty() || document.files.front() != mainFile)
        return std::nullopt;
    // The main file's last header, and how deep in includes the walk is.
    std::optional<std::size_t> mainHeader;
    int depth = 0;
    for (std::size_t i = 0; i < *target; ++i) {
        const DocumentLine& line = document.lines[i];
        if (line.kind == Kind::includeBegin)
            ++depth;
        else if (line.kind == Kind::includeEnd)
            --depth;
        else if (depth == 0 && (line.kind == Kind::host || line.kind == Kind::match))
            mainHeader = i;
    }
    // A block may only start where another one does: before the preamble's
    // Include it would take that Include into itself.
    if (depth == 0)
        return document.lines[*target].line - 1;
    if (mainHeader)
        return document.lines[*mainHeader].line - 1;
    return std::nullopt;
}

std::optional<ConfigCondition> namingLine(const config::ConfigDocument& document,
                                          const std::string& name) {
    for (const auto& line : document.lines)
        if (line.kind == Kind::host &&
            std::ranges::find(document.arguments(line), name) != document.arguments(line).end())
            return ConfigCondition{std::string(line.text), {document.files[line.file], line.line}};
    return std::nullopt;
}

void requireEffect(const config::OpenSSHEvaluator& after, const Request& request,
                   const ShowPath& showPath) {
    const HostEvaluation evaluation = after.evaluate(request.name, request.localUser);
    for (const Want& want : wanted(request)) {
        const EffectiveValue* shown = nullptr;
        if (holds(want, evaluation, request, shown) || (!shown && !want.value))
            continue;
        if (!shown)
            throw FileError(want.label + " " + shownWant(want, request) +
                            " would be ignored: OpenSSH reads no " + want.label + " line for " +
                            request.name + " from " + request.block + ". Nothing was changed.");
        const DocumentLine* header = headerOf(after.document(), shown->place);
        const std::string where =
            showPath(shown->place.file) + " line " + std::to_string(shown->place.line) + " (" +
            (header ? std::string(header->text) : "before the first Host line") + ")";
        const std::string uses = "OpenSSH takes " + labelOf(*shown, want) + " " + shown->value +
                                 " from " + where +
                                 (want.written ? ", which comes first"
                                               : ", and the block keeps no line of its own for it");
        const std::string asked =
            want.value ? want.label + " " + shownWant(want, request) + " would be ignored: "
                       : "Removing " + want.label + " would change nothing: ";
        // A line of the block itself cannot be moved above: it has to go.
        throw IgnoredChange(
            asked + uses + ". Nothing was changed. " +
                (shown->own ? "Remove that line from " + request.block + " first."
                            : "Change it there, or move " + request.block + " above that line."),
            winnerOf(after.document(), header, request.name));
    }
}

} // namespace moorkeep::EffectCheck
