#include "files/file_error.h"

#include <cerrno>
#include <cstring>

namespace moorkeep {

std::string FileError::reason(int errorNumber) {
    if (errorNumber == EFBIG)
        return "the file would be larger than the limit on file sizes (ulimit -f) or the file "
               "system allows";
    return std::strerror(errorNumber);
}

FileError::FileError(const std::string& action, const std::string& path, int errorNumber)
    : std::runtime_error("Could not " + action + " " + path + ": " + reason(errorNumber)) {}

FileError::FileError(const std::string& message)
    : std::runtime_error(message) {}

} // namespace moorkeep
