#pragma once

#include "model/secret_wipe.h"

#include <cstddef>
#include <optional>
#include <string>

namespace moorkeep::cli {

// A string that is wiped when it goes away.
class Secret {
public:
    Secret() = default;
    // Takes a copy and wipes the source.
    explicit Secret(std::string& text);
    ~Secret() { wipeSecret(text_); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&& other);
    Secret& operator=(Secret&& other);

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The longest passphrase read, in bytes.
inline constexpr std::size_t passphraseLimit = 1024;

// The next line of standard input without its line break, or nothing at the
// end of input. When standard input is a terminal, what is typed is not
// echoed; a terminal whose echo cannot be turned off is refused. A line
// longer than passphraseLimit, or holding a NUL, is refused (RefusedInput).
std::optional<Secret> readStandardInputLine();

// Asks on the controlling terminal (/dev/tty) and reads the answer with echo
// turned off; RefusedInput when the process has no terminal.
Secret askOnTerminal(const std::string& prompt);

} // namespace moorkeep::cli
