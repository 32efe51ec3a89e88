#pragma once

#include "support/temp_dir.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace moorkeep::test {

// While it lives, HOME and every XDG base folder (config, data, state, cache
// and a private runtime folder) point into a fresh temporary directory, so
// nothing a test or a program it starts does can reach the real ~/.ssh,
// metadata, backups, settings or running program. Gone, it puts the earlier
// values back and removes only its own directory. Every test program makes
// one before anything else; a test may make its own for a home of its own.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const std::string& path() const { return dir_.path(); }

private:
    TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> earlier_;
};

} // namespace moorkeep::test
