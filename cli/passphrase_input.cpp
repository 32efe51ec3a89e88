#include "passphrase_input.h"

#include "cli_errors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace moorkeep::cli {

namespace {

// The terminal whose echo is off, so that a signal that ends the process
// can turn it back on first.
struct EchoState {
    int fd = -1;
    termios saved{};
};
EchoState echoState;
volatile std::sig_atomic_t echoOff = 0;

// Not SIGTSTP: a stopped process goes on reading after it is resumed, and
// must do so with echo still off.
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void restoreEchoAndRaise(int signal) {
    if (echoOff)
        tcsetattr(echoState.fd, TCSANOW, &echoState.saved);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Turns echo off on a terminal for as long as it lives; does nothing for a
// descriptor that is not a terminal. discardTypeahead drops what was typed
// before (for a prompt, which must be answered after it shows). A terminal
// whose echo cannot be turned off is refused (RefusedInput): the passphrase
// would show on the screen.
class EchoGuard {
public:
    EchoGuard(int fd, bool discardTypeahead) {
        termios settings{};
        if (tcgetattr(fd, &settings) != 0)
            return;
        echoState = {fd, settings};
        struct sigaction action {};
        action.sa_handler = restoreEchoAndRaise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(endingSignals); ++i)
            sigaction(endingSignals[i], &action, &previous_[i]);
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        settings.c_lflag |= ECHONL;
        echoOff = 1;
        active_ = true;
        // tcsetattr succeeds when any one change was made, so the result
        // is read back.
        termios now{};
        if (tcsetattr(fd, discardTypeahead ? TCSAFLUSH : TCSANOW, &settings) != 0 ||
            tcgetattr(fd, &now) != 0 || (now.c_lflag & ECHO) != 0) {
            const int error = errno;
            restore();
            throw RefusedInput("cannot turn off echo on the terminal (" +
                               std::string(std::strerror(error)) +
                               "), so no passphrase is read from it");
        }
    }
    ~EchoGuard() { restore(); }
    EchoGuard(const EchoGuard&) = delete;
    EchoGuard& operator=(const EchoGuard&) = delete;

private:
    void restore() {
        if (!active_)
            return;
        // Lines typed ahead (a second passphrase) stay for the next read.
        tcsetattr(echoState.fd, TCSANOW, &echoState.saved);
        echoOff = 0;
        for (std::size_t i = 0; i < std::size(endingSignals); ++i)
            sigaction(endingSignals[i], &previous_[i], nullptr);
        active_ = false;
    }

    bool active_ = false;
    struct sigaction previous_[std::size(endingSignals)]{};
};

// One byte at a time, so nothing after the line is taken from the input.
// Stops at the limit, so endless input cannot make it read for ever, and
// refuses control characters: a NUL or a carriage return would silently
// cut the passphrase short where ssh-keygen reads it.
std::optional<Secret> readLine(int fd) {
    std::string line;
    line.reserve(passphraseLimit + 1); // no reallocation that leaves copies behind
    bool any = false;
    for (;;) {
        char c;
        ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == '\x7f';
        if (control || line.size() == passphraseLimit) {
            wipeSecret(line);
            throw RefusedInput(control ? "the passphrase must not contain control characters "
                                         "such as NUL or a carriage return"
                                       : "the passphrase is longer than " +
                                             std::to_string(passphraseLimit) + " bytes");
        }
        line += c;
    }
    Secret secret(line);
    if (!any)
        return std::nullopt;
    return secret;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

Secret::Secret(std::string& text)
    : text_(text) {
    wipeSecret(text);
}

Secret::Secret(Secret&& other)
    : Secret(other.text_) {}

Secret& Secret::operator=(Secret&& other) {
    wipeSecret(text_);
    text_ = other.text_;
    wipeSecret(other.text_);
    return *this;
}

std::optional<Secret> readStandardInputLine() {
    EchoGuard guard(STDIN_FILENO, false);
    return readLine(STDIN_FILENO);
}

Secret askOnTerminal(const std::string& prompt) {
    FileDescriptor tty(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (tty.get() < 0)
        throw RefusedInput("no terminal to ask for the passphrase on; use --stdin");
    std::optional<Secret> answer;
    {
        // Echo goes off before the prompt shows, so nothing typed after it
        // can be echoed.
        EchoGuard guard(tty.get(), true);
        if (write(tty.get(), prompt.data(), prompt.size()) < 0)
            throw RefusedInput("cannot write to the terminal: " +
                               std::string(std::strerror(errno)));
        answer = readLine(tty.get());
    }
    if (!answer)
        throw RefusedInput("no passphrase was entered");
    return std::move(*answer);
}

} // namespace moorkeep::cli
