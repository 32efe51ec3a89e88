#include "support/test_home.h"

#include <cstdlib>
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
    for (const auto& [name, folder] : folders) {
        const char* value = std::getenv(name);
        earlier_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        ::setenv(name, folder.empty() ? path().c_str() : dir_.file(folder).c_str(), 1);
    }
}

TestHome::~TestHome() {
    for (const auto& [name, value] : earlier_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

} // namespace moorkeep::test
