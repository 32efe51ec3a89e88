#pragma once

#include "files/interrupt_cleanup.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::OpenSSHCheck {

// A fresh owner-only folder for what ssh reads during a check, removed with
// its contents, also by an interrupt (see InterruptCleanup) while ssh reads.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // A private copy of the bytes of the file shown so; throws FileError
    // naming it when the copy cannot be written.
    std::string write(const std::string& name, std::string_view bytes,
                      const std::string& shownPath);
    // A private FIFO; throws FileError when it cannot be made.
    std::string fifo(const std::string& name);

private:
    using Guard = InterruptCleanup::Guard;

    // Makes the entry through `make`, which returns 0 or an error number,
    // while the interrupt handlers wait for its guard; the failure begins
    // the message of the error thrown when it cannot.
    template <typename Make>
    std::string made(const std::string& name, const std::string& failure, const Make& make);

    std::string path_;
    std::optional<Guard> folder_;
    std::vector<std::unique_ptr<Guard>> interrupted_;
};

// Folders of checks are named so, so that those an ended process left
// behind can be found.
inline constexpr const char* scratchPrefix = "moorkeep-check-";

} // namespace moorkeep::OpenSSHCheck
