#include "program_exec.h"

#include "launch/program_search.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

namespace moorkeep::cli {

void replaceProcessWith(const std::vector<std::string>& arguments) {
    const std::string& program = arguments.front();
    const auto path = ProgramSearch::onPath(program);
    if (!path)
        throw std::runtime_error(program + " is not installed (not found on PATH)");
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // What was printed so far must not wait in a buffer the new program
    // never flushes.
    std::cout.flush();
    std::fflush(nullptr);
    ::execv(path->c_str(), argv.data());
    throw std::runtime_error(program + " could not be started: " + std::strerror(errno));
}

} // namespace moorkeep::cli
