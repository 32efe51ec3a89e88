#include "openssh/scratch_folder.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/paths.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace moorkeep::OpenSSHCheck {

ScratchFolder::ScratchFolder() {
    path_ = files::makePrivateFolder(files::temporaryRoot(), scratchPrefix,
                                     "create a folder for checking the configuration in", folder_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

template <typename Make>
std::string ScratchFolder::made(const std::string& name, const std::string& failure,
                                const Make& make) {
    const std::string path = paths::join(path_, name);
    interrupted_.push_back(std::make_unique<Guard>(Guard::Kind::file, path));
    int error = 0;
    {
        // A handler that begins meanwhile waits for the entry to exist.
        const InterruptCleanup::Making making;
        error = make(path);
    }
    if (error != 0)
        throw FileError(failure + " (" + FileError::reason(error) + "), so nothing was changed.");
    return path;
}

std::string ScratchFolder::write(const std::string& name, std::string_view bytes,
                                 const std::string& shownPath) {
    // The copy lives only while ssh reads it: it need not reach the disk.
    return made(
        name, "Could not write a copy of " + shownPath + " for OpenSSH to check",
        [bytes](const std::string& path) { return files::writeNewFile(path, bytes, 0600, false); });
}

std::string ScratchFolder::fifo(const std::string& name) {
    return made(
        name, "Could not make a FIFO for OpenSSH to read the configuration from",
        [](const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0 ? 0 : errno; });
}

} // namespace moorkeep::OpenSSHCheck
