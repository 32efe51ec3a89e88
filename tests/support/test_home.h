#pragma once

#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <deque>
#include <string>

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
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    const std::string& path() const { return dir_.path(); }

private:
    TempDir dir_;
    // Gone before the directory: the earlier values come back first.
    std::deque<ScopedEnv> variables_;
};

} // namespace moorkeep::test
