#include "reading/config_read_problem.h"

#include <cstring>

namespace moorkeep {

std::string ConfigReadProblem::message() const {
    switch (kind) {
    case Kind::unreadable:
        return "Could not read " + path + " (" + std::strerror(errorNumber) +
               "); its hosts are not shown.";
    case Kind::notUtf8:
        return path + " is not UTF-8 text and was not read; its hosts are not shown.";
    case Kind::tooLarge:
        return path + " is larger than 16 MiB and was not read; its hosts are not shown.";
    case Kind::tooDeep:
        return path + " is included more than 16 levels deep and was not read.";
    }
    return path;
}

} // namespace moorkeep
