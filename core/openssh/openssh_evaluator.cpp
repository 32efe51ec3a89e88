#include "openssh/openssh_evaluator.h"

#include "model/ascii.h"
#include "openssh/ssh_arguments.h"

#include <algorithm>
#include <array>
#include <netdb.h>
#include <optional>
#include <sys/socket.h>

namespace moorkeep::config {
namespace {

using Kind = DocumentLine::Kind;

constexpr std::array accumulatingKeywords{
    std::string_view("identityfile"),   std::string_view("certificatefile"),
    std::string_view("localforward"),   std::string_view("remoteforward"),
    std::string_view("dynamicforward"), std::string_view("sendenv")};

// ProxyJump and ProxyCommand exclude each other: the first of either wins.
std::string_view slotOf(std::string_view keyword) {
    return keyword == "proxycommand" ? std::string_view("proxyjump") : keyword;
}

bool isPlainName(std::string_view pattern) {
    return pattern.find_first_of("*?") == std::string_view::npos;
}

// The names a Host line can take when all its patterns are plain; nothing
// when one is a wildcard.
std::optional<std::vector<std::string_view>> plainNames(std::span<const std::string> patterns) {
    std::vector<std::string_view> names;
    for (const auto& pattern : patterns) {
        if (!pattern.empty() && pattern.front() == '!')
            continue;
        if (!isPlainName(pattern))
            return std::nullopt;
        names.push_back(pattern);
    }
    return names;
}

// The address in the resolver's own spelling; empty when the text is no
// numeric address. Nothing is looked up.
std::string numericAddress(const std::string& text) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(text.c_str(), "22", &hints, &found) != 0 || !found)
        return {};
    char name[NI_MAXHOST] = {};
    const int failed = ::getnameinfo(found->ai_addr, found->ai_addrlen, name, sizeof name, nullptr,
                                     0, NI_NUMERICHOST);
    ::freeaddrinfo(found);
    return failed ? std::string() : std::string(name);
}

// The lists an evaluation works in, kept for each thread: a reading of
// thousands of hosts evaluates one after another, and lists that keep their
// room cost no allocation for each host.
struct Working {
    struct Set {
        std::uint32_t line = 0;              // a line whose value OpenSSH uses
        bool own = false;                    // from the host's own block
        std::optional<std::uint32_t> header; // its block's header
    };
    std::vector<Set> set;                                          // in order
    std::vector<std::pair<std::uint32_t, std::uint32_t>> shadowed; // line, index into set
    std::vector<std::pair<std::uint32_t, bool>> judgedMatches;
    std::vector<std::uint32_t> unresolved;
    std::vector<std::uint32_t> applied;
};

// One evaluation's working state, by line index. One at a time on a thread.
class Evaluation {
public:
    Evaluation(const ConfigDocument& document, std::string_view name, const std::string& localUser)
        : document_(document)
        , name_(name)
        , localUser_(localUser)
        , working_(threadWorking()) {
        working_.set.clear();
        working_.shadowed.clear();
        working_.judgedMatches.clear();
        working_.unresolved.clear();
        working_.applied.clear();
    }

    bool holds(const std::uint32_t* begin, const std::uint32_t* end) {
        for (; begin != end; ++begin)
            if (!judged(*begin))
                return false;
        return true;
    }

    void apply(std::uint32_t index, bool own, std::optional<std::uint32_t> header) {
        const DocumentLine& line = document_.lines[index];
        const std::string_view slot = slotOf(line.keyword);
        if (accumulates(slot)) {
            // OpenSSH drops a repeated key or forward, never a SendEnv.
            for (const auto& set : working_.set)
                if (line.keyword != "sendenv" &&
                    document_.lines[set.line].keyword == line.keyword &&
                    argumentsOf(document_.lines[set.line]) == argumentsOf(line))
                    return;
            working_.set.push_back({index, own, header});
            return;
        }
        for (std::size_t i = 0; i < working_.set.size(); ++i) {
            if (slotOf(document_.lines[working_.set[i].line].keyword) == slot) {
                if (own)
                    working_.shadowed.emplace_back(index, static_cast<std::uint32_t>(i));
                return;
            }
        }
        working_.set.push_back({index, own, header});
    }

    bool isOwn(std::uint32_t header) const {
        const DocumentLine& line = document_.lines[header];
        const auto patterns = document_.arguments(line);
        return line.kind == Kind::host &&
               std::find(patterns.begin(), patterns.end(), name_) != patterns.end();
    }

    // Into the lists of out, which keep their room.
    void result(EvaluatedLines& out) const {
        out.effective.clear();
        out.shadowed.clear();
        out.alsoApplies.clear();
        for (const auto& set : working_.set)
            out.effective.push_back({set.line, set.own});
        for (auto [index, winner] : working_.shadowed) {
            const auto& by = working_.set[winner];
            out.shadowed.push_back({index, by.line, by.header});
        }
        out.unresolved.assign(working_.unresolved.begin(), working_.unresolved.end());
        for (std::uint32_t index : working_.applied)
            if (!isOwn(index))
                out.alsoApplies.push_back(index);
    }

private:
    static Working& threadWorking() {
        thread_local Working working;
        return working;
    }

    const DocumentLine* lineSetting(std::string_view keyword) const {
        for (const auto& set : working_.set)
            if (document_.lines[set.line].keyword == keyword)
                return &document_.lines[set.line];
        return nullptr;
    }

    // Host lines are judged again each time (cheap, and the same every
    // time); a Match line once, where it stands, since it depends on the
    // values met before it.
    bool judged(std::uint32_t header) {
        const DocumentLine& line = document_.lines[header];
        bool result = false;
        if (line.kind == Kind::host) {
            result = hostPatternsMatch(name_, document_.arguments(line));
        } else {
            for (auto [index, known] : working_.judgedMatches)
                if (index == header)
                    return known;
            if (auto matched = matchLine(line))
                result = *matched;
            else
                working_.unresolved.push_back(header);
            working_.judgedMatches.emplace_back(header, result);
        }
        auto& applied = working_.applied;
        if (result && std::find(applied.begin(), applied.end(), header) == applied.end())
            applied.push_back(header);
        return result;
    }

    // Whether a Match line takes the name; nothing when it depends on a
    // condition that is not judged here. A condition judged false decides.
    std::optional<bool> matchLine(const DocumentLine& line) const {
        const auto arguments = document_.arguments(line);
        if (arguments.empty())
            return false;
        bool unresolved = false;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            std::string_view criterion = arguments[i];
            const bool negated = !criterion.empty() && criterion.front() == '!';
            if (negated)
                criterion.remove_prefix(1);
            const std::string attribute = asciiLower(criterion);
            if (attribute == "all") {
                if (negated)
                    return false;
                continue;
            }
            if (attribute == "canonical" || attribute == "final") {
                unresolved = true;
                continue;
            }
            if (i + 1 >= arguments.size())
                return std::nullopt;
            const std::string& patterns = arguments[++i];
            std::optional<bool> matched;
            if (attribute == "host") {
                const DocumentLine* hostName = lineSetting("hostname");
                const std::string host =
                    hostName ? expandedHostName(valueOf(*hostName), name_) : asciiLower(name_);
                matched = matchPatternList(host, patterns, true) == 1;
            } else if (attribute == "originalhost") {
                // OpenSSH compares the name as typed here without case too.
                matched = matchPatternList(name_, patterns, true) == 1;
            } else if (attribute == "user") {
                const DocumentLine* user = lineSetting("user");
                matched =
                    matchPatternList(user ? valueOf(*user) : localUser_, patterns, false) == 1;
            } else if (attribute == "localuser") {
                matched = matchPatternList(localUser_, patterns, false) == 1;
            }
            if (!matched) {
                unresolved = true;
                continue;
            }
            if (*matched == negated)
                return false;
        }
        if (unresolved)
            return std::nullopt;
        return true;
    }

    const ConfigDocument& document_;
    std::string_view name_;
    const std::string& localUser_;
    Working& working_;
};

} // namespace

bool accumulates(std::string_view keyword) {
    return std::find(accumulatingKeywords.begin(), accumulatingKeywords.end(), keyword) !=
           accumulatingKeywords.end();
}

std::string expandedHostName(std::string_view value, std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 1 < value.size() &&
            (value[i + 1] == 'h' || value[i + 1] == '%')) {
            if (value[++i] == 'h')
                out += name;
            else
                out += '%';
        } else {
            out += value[i];
        }
    }
    // What could be an address (a colon, a scope id, only digits and dots)
    // keeps its case; a numeric address is then written as the resolver
    // writes it, unless that differs only in case.
    if (out.find_first_of(":%") == std::string::npos &&
        out.find_first_not_of("0123456789.") != std::string::npos)
        return asciiLower(out);
    const std::string canonical = numericAddress(out);
    return canonical.empty() || equalsIgnoringCase(canonical, out) ? out : canonical;
}

OpenSSHEvaluator::OpenSSHEvaluator(ConfigDocument document, bool forManyNames)
    : document_(std::move(document)) {
    // Each file an Include reads starts again from the conditions around
    // the Include, whatever the file before it ended in.
    struct Frame {
        std::vector<std::uint32_t> enclosing;
        std::vector<std::uint32_t> current;
        std::uint32_t file = 0;
    };
    std::vector<Frame> frames(1);
    auto open = [&](std::uint32_t at) {
        if (!sections_.empty() && sections_.back().begin == sections_.back().end) {
            conditions_.resize(sections_.back().conditionsBegin);
            sections_.pop_back();
        }
        const auto& current = frames.back().current;
        const auto first = static_cast<std::uint32_t>(conditions_.size());
        conditions_.insert(conditions_.end(), current.begin(), current.end());
        sections_.push_back({first, static_cast<std::uint32_t>(conditions_.size()), at, at});
    };
    open(0);
    const auto count = static_cast<std::uint32_t>(document_.lines.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const DocumentLine& line = document_.lines[i];
        if (line.kind != Kind::includeEnd && line.file != frames.back().file) {
            frames.back().file = line.file;
            frames.back().current = frames.back().enclosing;
            open(i);
        }
        switch (line.kind) {
        case Kind::host:
        case Kind::match:
            frames.back().current = frames.back().enclosing;
            frames.back().current.push_back(i);
            open(i + 1);
            break;
        case Kind::includeBegin:
            frames.push_back({frames.back().current, frames.back().current, line.file});
            open(i + 1);
            break;
        case Kind::includeEnd:
            frames.pop_back();
            open(i + 1);
            break;
        case Kind::option:
            sections_.back().end = i + 1;
            break;
        }
    }
    if (sections_.back().begin == sections_.back().end)
        sections_.pop_back();
    if (forManyNames)
        index();
}

void OpenSSHEvaluator::index() {
    for (std::uint32_t s = 0; s < sections_.size(); ++s) {
        std::optional<std::vector<std::string_view>> names;
        for (std::uint32_t c = sections_[s].conditionsBegin; c < sections_[s].conditionsEnd; ++c)
            if (document_.lines[conditions_[c]].kind == Kind::host &&
                (names = plainNames(document_.arguments(document_.lines[conditions_[c]]))))
                break;
        if (!names) {
            anyName_.push_back(s);
            continue;
        }
        std::sort(names->begin(), names->end());
        names->erase(std::unique(names->begin(), names->end()), names->end());
        for (std::string_view name : *names)
            byName_.emplace_back(name, s);
    }
    // Sections were met in order, so each name's stay in order.
    std::stable_sort(byName_.begin(), byName_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    indexed_ = true;
}

HostEvaluation OpenSSHEvaluator::evaluate(std::string_view name, const std::string& localUser,
                                          bool valuePlaces,
                                          const std::vector<std::uint32_t>& leftOut) const {
    return describe(evaluateLines(name, localUser, leftOut), name, valuePlaces);
}

ConfigPlace OpenSSHEvaluator::place(std::uint32_t index) const {
    const DocumentLine& line = document_.lines[index];
    return {document_.files[line.file], line.line};
}

HostEvaluation OpenSSHEvaluator::describe(const EvaluatedLines& found, std::string_view name,
                                          bool valuePlaces) const {
    const auto& lines = document_.lines;
    HostEvaluation out;
    out.name = std::string(name);
    out.effective.reserve(found.effective.size());
    for (auto [index, own] : found.effective)
        out.effective.push_back({std::string(lines[index].keyword), valueOf(lines[index]),
                                 valuePlaces ? place(index) : ConfigPlace{}, own});
    for (const auto& [index, by, byHeader] : found.shadowed)
        out.shadowed.push_back({std::string(lines[index].keyword), valueOf(lines[index]),
                                place(index), valueOf(lines[by]), place(by),
                                byHeader ? std::string(lines[*byHeader].text) : std::string()});
    for (std::uint32_t index : found.unresolved)
        out.unresolved.push_back({std::string(lines[index].text), place(index)});
    for (std::uint32_t index : found.alsoApplies)
        out.alsoApplies.push_back({std::string(lines[index].text), place(index)});
    return out;
}

EvaluatedLines OpenSSHEvaluator::evaluateLines(std::string_view name, const std::string& localUser,
                                               const std::vector<std::uint32_t>& leftOut) const {
    EvaluatedLines found;
    evaluateLines(name, localUser, leftOut, found);
    return found;
}

void OpenSSHEvaluator::evaluateLines(std::string_view name, const std::string& localUser,
                                     const std::vector<std::uint32_t>& leftOut,
                                     EvaluatedLines& into) const {
    Evaluation evaluation(document_, name, localUser);
    auto apply = [&](const Section& section) {
        const std::uint32_t* first = conditions_.data() + section.conditionsBegin;
        const std::uint32_t* last = conditions_.data() + section.conditionsEnd;
        if (!evaluation.holds(first, last))
            return;
        const auto header = first == last ? std::nullopt : std::optional(*(last - 1));
        const bool own = header && evaluation.isOwn(*header);
        for (std::uint32_t i = section.begin; i < section.end; ++i)
            if (document_.lines[i].kind == Kind::option &&
                !std::binary_search(leftOut.begin(), leftOut.end(), i))
                evaluation.apply(i, own, header);
    };
    if (!indexed_) {
        for (const Section& section : sections_)
            apply(section);
        evaluation.result(into);
        return;
    }
    const auto [named, namedEnd] =
        std::equal_range(byName_.begin(), byName_.end(), std::pair(name, std::uint32_t{0}),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    std::size_t a = 0;
    for (auto b = named; a < anyName_.size() || b != namedEnd;) {
        if (b == namedEnd || (a < anyName_.size() && anyName_[a] < b->second))
            apply(sections_[anyName_[a++]]);
        else
            apply(sections_[(b++)->second]);
    }
    evaluation.result(into);
}

} // namespace moorkeep::config
