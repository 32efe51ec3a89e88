#include "support/key_files.h"

#include "support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace moorkeep::test {

void makeKeyPair(const std::string& privatePath, const std::string& type,
                 const std::string& passphrase) {
    std::filesystem::create_directories(std::filesystem::path(privatePath).parent_path());
    const std::string command = "/usr/bin/ssh-keygen -q -t " + type + " -f '" + privatePath +
                                "' -N '" + passphrase + "' -C test" +
                                (type == "rsa" ? " -b 1024" : "") + " </dev/null >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << "ssh-keygen could not make " << privatePath;
}

std::string printedFingerprint(const std::string& publicPath) {
    FILE* pipe = ::popen(("/usr/bin/ssh-keygen -lf '" + publicPath + "'").c_str(), "r");
    if (!pipe)
        return "popen failed";
    char line[4096] = {};
    std::istringstream fields(std::fgets(line, sizeof line, pipe) ? line : "");
    ::pclose(pipe);
    std::string bits, fingerprint;
    fields >> bits >> fingerprint;
    return fingerprint;
}

std::string recordingKeyTool(const std::string& directory, const std::string& logPath,
                             const std::string& program) {
    std::string path =
        directory + "/recording-" + std::filesystem::path(program).filename().string();
    writeFile(path, "#!/bin/sh\necho \"$@\" >> '" + logPath + "'\nexec " + program + " \"$@\"\n");
    ::chmod(path.c_str(), 0700);
    return path;
}

std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace moorkeep::test
