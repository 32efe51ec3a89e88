#pragma once

// Helpers shared by the key tests. They use the shell and the C library on
// purpose, so that what they report does not depend on the code under test.

#include "support/key_files.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace moorkeep::test {

// Writes an executable /bin/sh script and returns its path.
inline std::string writeScript(const std::string& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

inline std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The fingerprint field of what `ssh-keygen -lf` prints for the file.
inline std::string printedFingerprint(const std::string& publicPath) {
    std::string command = "/usr/bin/ssh-keygen -lf '" + publicPath + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "popen failed";
    char line[4096] = {};
    std::string text = std::fgets(line, sizeof line, pipe) ? line : "";
    ::pclose(pipe);
    std::istringstream fields(text);
    std::string bits;
    std::string fingerprint;
    fields >> bits >> fingerprint;
    return fingerprint;
}

inline std::string utcDateOf(std::time_t moment) {
    std::tm parts{};
    ::gmtime_r(&moment, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

// Pids of the session's processes that have not died yet (zombies count as
// dead), read from /proc.
inline std::vector<int> livingSessionMembers(int session) {
    std::vector<int> members;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 1));
        char state = 0;
        int parent = 0;
        int group = 0;
        int sessionId = 0;
        fields >> state >> parent >> group >> sessionId;
        if (sessionId == session && state != 'Z' && state != 'X')
            members.push_back(std::stoi(name));
    }
    return members;
}

// Waits until every process of the session has died; processes that were
// killed may take a moment to be gone.
inline bool sessionEndsSoon(int session) {
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!livingSessionMembers(session).empty()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace moorkeep::test
