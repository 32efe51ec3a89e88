#include "files/file_error.h"

#include <cstring>

namespace moorkeep {

FileError::FileError(const std::string& action, const std::string& path, int errorNumber)
    : std::runtime_error("Could not " + action + " " + path + ": " + std::strerror(errorNumber)) {}

FileError::FileError(const std::string& message)
    : std::runtime_error(message) {}

} // namespace moorkeep
