#pragma once

#include "files/interrupt_cleanup.h"
#include "keys/key_tool.h"

#include <memory>
#include <string>
#include <vector>

namespace moorkeep {

// Hands passphrases to ssh-keygen and ssh-add without putting them on its command line:
// the tool is made to ask through a small askpass script of ours (in a
// private folder that goes away with this object), and the script answers
// from the tool's own environment, which only the user can read and which
// ends with the run. The script holds no secret.
class Askpass {
public:
    Askpass(const std::string& oldPassphrase, const std::string& newPassphrase);
    // Answers the one passphrase (ssh-add asks for it once).
    explicit Askpass(const std::string& passphrase)
        : Askpass(std::string(), passphrase) {}
    ~Askpass();
    Askpass(const Askpass&) = delete;
    Askpass& operator=(const Askpass&) = delete;

    // The environment entries that make the tool ask the script.
    const KeyToolOptions& options() const { return options_; }

private:
    std::string directory_;
    KeyToolOptions options_;
    std::vector<std::unique_ptr<InterruptCleanup::Guard>> interrupted_;
};

} // namespace moorkeep
