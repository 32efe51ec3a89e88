#include "keys/askpass.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/stale_files.h"
#include "model/secret_wipe.h"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace moorkeep {
namespace {

constexpr std::string_view folderPrefix = "moorkeep-askpass-";

// ssh-keygen asks for the current passphrase with "Enter old passphrase: ";
// every other prompt wants the new one (typed twice). Only the prompt's
// start is looked at: ssh-add's names the key's file, which may hold any
// words. The answers wait on
// descriptor 3 (the old one) and 4 (the new one, twice), one line each;
// read takes a pipe byte by byte, so each call takes exactly one line.
// ssh-add asks again after a wrong one, which would repeat until the time
// limit: the second question is refused, with a word on the tool's standard
// error.
constexpr const char* script = "#!/bin/sh\n"
                               "case \"$1\" in\n"
                               "  \"Enter old passphrase\"*) exec <&3 ;;\n"
                               "  \"Bad passphrase\"*) echo 'Bad passphrase' >&2; exit 1 ;;\n"
                               "  *) exec <&4 ;;\n"
                               "esac\n"
                               "IFS= read -r answer || exit 1\n"
                               "printf '%s\\n' \"$answer\"\n";

// A pipe whose read end holds the answers, one line per time asked. Both
// ends close at exec, so that no other child started meanwhile inherits
// them; the tool gets its own copy of the read end.
keys::Descriptor answers(const std::string& passphrase, int times) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        throw FileError("Cannot open a pipe to hand the passphrase over: " +
                        std::system_category().message(errno));
    keys::Descriptor readEnd(ends[0]);
    keys::Descriptor writeEnd(ends[1]);
    std::string lines;
    for (int i = 0; i < times; ++i)
        lines += passphrase + "\n";
    // A pipe that cannot take the lines at once would block until the tool
    // read them, which it does only once it runs.
    const bool whole =
        ::write(writeEnd.get(), lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
    wipeSecret(lines);
    if (!whole)
        throw std::invalid_argument("The passphrase is too long to hand to ssh-keygen.");
    int flags = ::fcntl(readEnd.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(readEnd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return readEnd;
}

} // namespace

Askpass::Askpass(const std::string& oldPassphrase, const std::string& newPassphrase)
    : oldAnswers_(answers(oldPassphrase, 1))
    , newAnswers_(answers(newPassphrase, 2)) {
    // A run killed outright leaves its folder: the next one takes it away.
    files::removeStaleEntries(files::temporaryRoot(), [](const std::string& name, bool isFolder) {
        return isFolder && name.starts_with(folderPrefix);
    });
    using Kind = InterruptCleanup::Guard::Kind;
    directory_ = files::makePrivateFolder(files::temporaryRoot(), folderPrefix,
                                          "create a private folder in", folder_);
    const std::string scriptPath = paths::join(directory_, "askpass");
    interrupted_.push_back(std::make_unique<InterruptCleanup::Guard>(Kind::file, scriptPath));
    try {
        files::writeAtomically(scriptPath, script, 0700);
    } catch (...) {
        interrupted_.clear();
        folder_.reset();
        ::rmdir(directory_.c_str());
        throw;
    }
    options_.environment = {{"SSH_ASKPASS", scriptPath}, {"SSH_ASKPASS_REQUIRE", "force"}};
    options_.passedDescriptors = {oldAnswers_.get(), newAnswers_.get()};
}

Askpass::~Askpass() {
    interrupted_.clear();
    folder_.reset();
    ::unlink(paths::join(directory_, "askpass").c_str());
    ::rmdir(directory_.c_str());
}

} // namespace moorkeep
