#include "keys/askpass.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep {
namespace {

// ssh-keygen asks for the current passphrase with "Enter old passphrase: ";
// every other prompt wants the new one (typed twice).
constexpr const char* script =
    "#!/bin/sh\n"
    "case \"$1\" in\n"
    "  *\"old passphrase\"*) printf '%s\\n' \"$MOORKEEP_OLD_PASSPHRASE\" ;;\n"
    "  *) printf '%s\\n' \"$MOORKEEP_NEW_PASSPHRASE\" ;;\n"
    "esac\n";

std::string temporaryRoot() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        struct stat st {};
        if (value && *value == '/' && ::stat(value, &st) == 0 && S_ISDIR(st.st_mode))
            return value;
    }
    return "/tmp";
}

} // namespace

Askpass::Askpass(const std::string& oldPassphrase, const std::string& newPassphrase) {
    std::string pattern = paths::join(temporaryRoot(), "moorkeep-askpass-XXXXXX");
    if (!::mkdtemp(pattern.data()))
        throw FileError("create a private folder in", paths::parent(pattern), errno);
    directory_ = pattern;
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
