#pragma once

#include <stdexcept>
#include <string>

namespace moorkeep {

// A file-system failure; what() names the action, the path and the system's
// own reason, ready to be shown to the user.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& action, const std::string& path, int errorNumber);
    FileError(const std::string& message);

    // The system's reason for the error number, for messages; a file-size
    // limit is named as such.
    static std::string reason(int errorNumber);
};

} // namespace moorkeep
