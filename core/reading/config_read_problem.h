#pragma once

#include <string>
#include <vector>

namespace moorkeep {

// A configuration file that reading skipped. Reading goes on without it, but
// the user should hear of it, and a change must not add a second block for
// one that may stand in it.
struct ConfigReadProblem {
    enum class Kind {
        unreadable, // exists, but cannot be opened or read
        notUtf8,    // read, but not valid UTF-8 text
        tooLarge,   // larger than the file size limit (or endless)
        tooDeep,    // included more levels deep than OpenSSH follows
    };

    std::string path; // standardized, as in ConfigLineSource::sourceFile
    Kind kind = Kind::unreadable;
    int errorNumber = 0; // the system's reason, for unreadable

    bool operator==(const ConfigReadProblem&) const = default;

    // A sentence for the user naming the file and what was wrong with it.
    std::string message() const;
};

using ConfigReadProblems = std::vector<ConfigReadProblem>;

} // namespace moorkeep
