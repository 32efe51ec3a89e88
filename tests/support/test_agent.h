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

// Whether something accepts connections on the socket at path.
inline bool socketAnswers(const std::string& path) {
    return onSocket(path, ::connect);
}

// A socket file that nothing listens on: bound, then closed.
inline void makeDeadSocket(const std::string& path) {
    onSocket(path, ::bind);
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
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string program = "/usr/bin/ssh-agent", foreground = "-D", at = "-a";
        char* argv[] = {program.data(), foreground.data(), at.data(), socket_.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        eventually([this] { return pid_ <= 0 || socketAnswers(socket_); },
                   std::chrono::seconds(10));
    }
    ~TestAgent() { stop(); }
    TestAgent(const TestAgent&) = delete;
    TestAgent& operator=(const TestAgent&) = delete;

    const std::string& socket() const { return socket_; }
    bool ready() const { return pid_ > 0 && socketAnswers(socket_); }

    void stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }

private:
    std::string socket_;
    pid_t pid_ = -1;
};

} // namespace moorkeep::test
