#include "support/key_files.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace moorkeep::test {

int runProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void makeKeyPair(const std::string& privatePath, const std::string& type,
                 const std::string& passphrase) {
    std::filesystem::create_directories(std::filesystem::path(privatePath).parent_path());
    std::vector<std::string> argv{"/usr/bin/ssh-keygen", "-q", "-t",       type, "-f",
                                  privatePath,           "-N", passphrase, "-C", "test"};
    if (type == "rsa") {
        argv.push_back("-b");
        argv.push_back("1024");
    }
    ASSERT_EQ(runProgram(argv), 0) << "ssh-keygen could not make " << privatePath;
}

std::string recordingKeyTool(const std::string& directory, const std::string& logPath) {
    std::string path = directory + "/recording-ssh-keygen";
    writeFile(path,
              "#!/bin/sh\necho \"$@\" >> '" + logPath + "'\nexec /usr/bin/ssh-keygen \"$@\"\n");
    chmod(path.c_str(), 0700);
    return path;
}

std::size_t lineCount(const std::string& path) {
    std::ifstream in(path);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);)
        ++count;
    return count;
}

} // namespace moorkeep::test
