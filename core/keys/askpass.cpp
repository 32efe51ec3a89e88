#include "keys/askpass.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/paths.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep {
namespace {

// ssh-keygen asks for the current passphrase with "Enter old passphrase: ";
// every other prompt wants the new one (typed twice). ssh-add asks again
// after a wrong one, which would repeat until the time limit: the second
// question is refused, with a word on the tool's standard error.
constexpr const char* script =
    "#!/bin/sh\n"
    "case \"$1\" in\n"
    "  *\"old passphrase\"*) printf '%s\\n' \"$MOORKEEP_OLD_PASSPHRASE\" ;;\n"
    "  *\"Bad passphrase\"*) echo 'Bad passphrase' >&2; exit 1 ;;\n"
    "  *) printf '%s\\n' \"$MOORKEEP_NEW_PASSPHRASE\" ;;\n"
    "esac\n";

} // namespace

Askpass::Askpass(const std::string& oldPassphrase, const std::string& newPassphrase) {
    directory_ = files::makePrivateFolder(files::temporaryRoot(), "moorkeep-askpass-",
                                          "create a private folder in");
    const std::string scriptPath = paths::join(directory_, "askpass");
    using Kind = InterruptCleanup::Guard::Kind;
    interrupted_.push_back(std::make_unique<InterruptCleanup::Guard>(Kind::folder, directory_));
    interrupted_.push_back(std::make_unique<InterruptCleanup::Guard>(Kind::file, scriptPath));
    try {
        files::writeAtomically(scriptPath, script, 0700);
    } catch (...) {
        ::rmdir(directory_.c_str());
        throw;
    }
    options_.environment = {{"SSH_ASKPASS", scriptPath},
                            {"SSH_ASKPASS_REQUIRE", "force"},
                            {"MOORKEEP_OLD_PASSPHRASE", oldPassphrase},
                            {"MOORKEEP_NEW_PASSPHRASE", newPassphrase}};
}

Askpass::~Askpass() {
    interrupted_.clear();
    ::unlink(paths::join(directory_, "askpass").c_str());
    ::rmdir(directory_.c_str());
}

} // namespace moorkeep
