#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// How much a finding matters: an error means ssh refuses to connect to some
// or all hosts, a warning that something the user wrote is silently not
// used, a note that something could not be judged.
enum class Severity { error, warning, note };

// A change that mends a finding without touching anything else: the file's
// mode set to the owner-only one OpenSSH requires (its bytes unchanged), or,
// for a key given, its missing public file re-created from the private one.
struct FindingFix {
    std::string path; // the real path
    unsigned mode = 0;
    std::string keyId{}; // set for a public file to re-create; mode is then 0

    bool operator==(const FindingFix&) const = default;
};

// One thing the diagnosis found about the configuration or the key files.
struct Finding {
    Severity severity = Severity::note;
    std::string code;     // stable, for scripts: "bad-option", "missing-identity-file", ...
    std::string file;     // as messages show it ("~/.ssh/config")
    std::size_t line = 0; // counted from 1; 0 for the file as a whole
    std::string message;
    std::optional<FindingFix> fix;
    // The aliases of the Host line whose block the finding is about.
    std::vector<std::string> hosts;
    std::string path; // the standardized path of the file

    bool operator==(const Finding&) const = default;
};

// What is wrong with the user's OpenSSH set-up: OpenSSH's own verdict on the
// whole configuration and the checks made here, ordered by file (in reading
// order) and line.
struct Diagnosis {
    std::vector<Finding> findings;

    bool operator==(const Diagnosis&) const = default;

    std::size_t count(Severity severity) const;
    // The first error: why ssh refuses the configuration, if it does.
    const Finding* refusal() const;
    // The findings about the block of this alias.
    std::vector<Finding> aboutHost(const std::string& alias) const;
};

// "error", "warning" or "note".
const char* severityName(Severity severity);

// `FILE:LINE message` (no ":LINE" for the file as a whole), as a finding is
// copied.
std::string findingLine(const Finding& finding);

// The fix as a shell command a user could type ("chmod 600 ~/.ssh/config",
// "moorkeepctl key recreate-pub id_ed25519").
std::string fixCommand(const FindingFix& fix, const std::string& shownPath);

} // namespace moorkeep
