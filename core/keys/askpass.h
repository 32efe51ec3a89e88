#pragma once

#include "files/interrupt_cleanup.h"
#include "keys/key_tool.h"
#include "keys/tool_child.h"

#include <memory>
#include <string>
#include <vector>

namespace moorkeep {

// Hands passphrases to ssh-keygen and ssh-add without putting them on a
// command line, in an environment or in a file: the tool is made to ask
// through a small askpass script of ours (in a private folder that goes away
// with this object), and the script reads its answer from one of two pipes
// the tool and so the script inherit, filled with the answers before the
// run. A pipe gives each answer once, and only to whoever holds its
// descriptor.
class Askpass {
public:
    // Throws std::invalid_argument for a passphrase too long to hand over,
    // FileError when the script cannot be written.
    Askpass(const std::string& oldPassphrase, const std::string& newPassphrase);
    // Answers the one passphrase (ssh-add asks for it once).
    explicit Askpass(const std::string& passphrase)
        : Askpass(std::string(), passphrase) {}
    ~Askpass();
    Askpass(const Askpass&) = delete;
    Askpass& operator=(const Askpass&) = delete;

    // The environment entries and descriptors that make the tool ask the
    // script. For one run: the answers are used up by it.
    const KeyToolOptions& options() const { return options_; }

private:
    std::string directory_;
    keys::Descriptor oldAnswers_;
    keys::Descriptor newAnswers_;
    KeyToolOptions options_;
    std::optional<InterruptCleanup::Guard> folder_;
    std::vector<std::unique_ptr<InterruptCleanup::Guard>> interrupted_;
};

} // namespace moorkeep
