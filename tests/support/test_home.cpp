#include "support/test_home.h"

#include <stdexcept>
#include <sys/stat.h>

namespace moorkeep::test {

TestHome::TestHome() {
    const std::pair<const char*, std::string> folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", ".config"},
        {"XDG_DATA_HOME", ".local/share"},
        {"XDG_STATE_HOME", ".local/state"},
        {"XDG_CACHE_HOME", ".cache"},
        {"XDG_RUNTIME_DIR", "runtime"},
    };
    // The runtime folder must exist and be private, or programs that keep
    // sockets there refuse it.
    const std::string runtime = dir_.file("runtime");
    if (::mkdir(runtime.c_str(), 0700) != 0)
        throw std::runtime_error("cannot create " + runtime);
    for (const auto& [name, folder] : folders)
        variables_.emplace_back(name, folder.empty() ? path() : dir_.file(folder));
}

} // namespace moorkeep::test
