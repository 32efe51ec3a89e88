#pragma once

#include "files/file_error.h"

#include <cstddef>
#include <string>

namespace moorkeep {

// A change refused because OpenSSH would not use it: an earlier block gives
// the option first. It names that block so that a caller can offer the way
// out: moving the changed block above it, or changing the defaults.
class IgnoredChange : public FileError {
public:
    struct Winner {
        std::string header; // the Host or Match line of the block that wins, as written
        std::string file;   // its file, standardized
        std::size_t line = 0;
        // The changed block is in the same file below it, so it can move
        // above that line.
        bool movable = false;
        bool defaults = false; // the block that wins is "Host *"
    };

    IgnoredChange(const std::string& message, Winner winner)
        : FileError(message)
        , winner_(std::move(winner)) {}

    const Winner& winner() const { return winner_; }

private:
    Winner winner_;
};

} // namespace moorkeep
