#pragma once

#include "model/host_evaluation.h"
#include "reading/config_document.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moorkeep::config {

// What an evaluation found, by index into the document's lines: the form a
// reading of thousands of hosts works with, making no text it does not need.
struct EvaluatedLines {
    struct Value {
        std::uint32_t line = 0;
        bool own = false; // set by the host's own block
    };
    struct Shadow {
        std::uint32_t line = 0;
        std::uint32_t by = 0; // the line OpenSSH uses instead
        std::optional<std::uint32_t> byHeader;
    };
    std::vector<Value> effective;
    std::vector<Shadow> shadowed;
    std::vector<std::uint32_t> unresolved;  // Match lines
    std::vector<std::uint32_t> alsoApplies; // Host and Match lines
};

// Computes what OpenSSH's client uses for a destination name: the blocks in
// reading order whose Host patterns or Match conditions take the name, the
// first value met for each option, every value once for the options OpenSSH
// accumulates. Match conditions that would run something are never run.
class OpenSSHEvaluator {
public:
    // forManyNames indexes the blocks by the names they take, which pays
    // when many names are evaluated.
    explicit OpenSSHEvaluator(ConfigDocument document, bool forManyNames = false);

    // localUser is whom "Match user" compares with while no User applies.
    // Without valuePlaces the effective values carry no place: a reading of
    // thousands of hosts keeps only the values. Option lines at the indices
    // of leftOut (sorted) count as not written.
    HostEvaluation evaluate(std::string_view name, const std::string& localUser,
                            bool valuePlaces = true,
                            const std::vector<std::uint32_t>& leftOut = {}) const;
    // The same evaluation by line index.
    EvaluatedLines evaluateLines(std::string_view name, const std::string& localUser,
                                 const std::vector<std::uint32_t>& leftOut = {}) const;
    // The same into the lists of into, which keep their room from one host
    // to the next.
    void evaluateLines(std::string_view name, const std::string& localUser,
                       const std::vector<std::uint32_t>& leftOut, EvaluatedLines& into) const;
    // An evaluation by line index in words, as evaluate() gives it.
    HostEvaluation describe(const EvaluatedLines& found, std::string_view name,
                            bool valuePlaces) const;

    const ConfigDocument& document() const { return document_; }

private:
    // Option lines [begin, end) read while every condition (a Host or Match
    // line: the block's own, and those around the Include lines that led
    // there) took the name.
    struct Section {
        std::uint32_t conditionsBegin = 0; // into conditions_
        std::uint32_t conditionsEnd = 0;
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
    };

    void index();
    ConfigPlace place(std::uint32_t index) const;

    ConfigDocument document_;
    std::vector<Section> sections_;
    std::vector<std::uint32_t> conditions_;
    // With the index: sections whose conditions include a Host line of plain
    // names apply only to those names; the others are judged for every name.
    bool indexed_ = false;
    std::vector<std::uint32_t> anyName_;
    // Each plain name with a section it takes, by name, into the document's
    // own argument lists.
    std::vector<std::pair<std::string_view, std::uint32_t>> byName_;
};

// Whether OpenSSH gathers every value of this option (IdentityFile and the
// like) rather than keeping the first.
bool accumulates(std::string_view keyword);

// HostName as OpenSSH uses it: "%h" is the name typed, "%%" a percent sign,
// lower-cased unless it may be an address (a ":", a scope id, only digits
// and dots), and a numeric address in the resolver's spelling.
std::string expandedHostName(std::string_view value, std::string_view name);

} // namespace moorkeep::config
