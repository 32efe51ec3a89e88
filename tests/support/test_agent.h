#pragma once

#include "support/open_files.h"
#include "support/scoped_env.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// An ssh-agent of the test's own and the environment that leads to it, so
// that no test reaches the agent of the person running it.
namespace moorkeep::test {

// Connects a new socket to path (connect) or binds it there (bind); whether
// that worked. The socket is closed again either way.
inline bool onSocket(const std::string& path, decltype(&::connect) act) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool done =
        fd >= 0 && act(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return done;
}

// The real /usr/bin/ssh-agent in the foreground on a socket in folder (which
// must exist), started without a shell; stopped and reaped with the object.
// ready() is false when it did not answer within ten seconds.
class TestAgent {
public:
    explicit TestAgent(const std::string& folder)
        : socket_(folder + "/agent.sock") {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd : {0, 1, 2})
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY,
                                             0);
        std::string program = "/usr/bin/ssh-agent", foreground = "-D", at = "-a";
        char* argv[] = {program.data(), foreground.data(), at.data(), socket_.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        eventually([this] { return pid_ <= 0 || onSocket(socket_, ::connect); },
                   std::chrono::seconds(10));
    }
    ~TestAgent() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    TestAgent(const TestAgent&) = delete;
    TestAgent& operator=(const TestAgent&) = delete;

    const std::string& socket() const { return socket_; }
    bool ready() const { return pid_ > 0 && onSocket(socket_, ::connect); }

private:
    std::string socket_;
    pid_t pid_ = -1;
};

} // namespace moorkeep::test
