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

namespace {

// The size and fingerprint fields of the first line ssh-keygen -lf prints.
std::pair<std::string, std::string> printedFields(const std::string& publicPath) {
    FILE* pipe = ::popen(("/usr/bin/ssh-keygen -lf '" + publicPath + "'").c_str(), "r");
    if (!pipe)
        return {"", "popen failed"};
    char line[4096] = {};
    std::istringstream fields(std::fgets(line, sizeof line, pipe) ? line : "");
    ::pclose(pipe);
    std::string bits, fingerprint;
    fields >> bits >> fingerprint;
    return {bits, fingerprint};
}

} // namespace

std::string printedFingerprint(const std::string& publicPath) {
    return printedFields(publicPath).second;
}

std::optional<int> printedBits(const std::string& publicPath) {
    const std::string bits = printedFields(publicPath).first;
    if (bits.empty())
        return std::nullopt;
    return std::stoi(bits);
}

std::string recordingKeyTool(const std::string& directory, const std::string& logPath,
                             const std::string& program) {
    std::string path =
        directory + "/recording-" + std::filesystem::path(program).filename().string();
    writeFile(path, "#!/bin/sh\necho \"$@\" >> '" + logPath + "'\nexec " + program + " \"$@\"\n");
    ::chmod(path.c_str(), 0700);
    return path;
}

std::string watchingKeyTool(const std::string& directory, const std::string& snapshotPath,
                            const std::string& program) {
    const std::string name = std::filesystem::path(program).filename().string();
    const std::string tool = directory + "/watching-" + name;
    const std::string helper = directory + "/watching-askpass-" + name;
    const std::string snapshot = "'" + snapshotPath + "'";
    // The helper's own record is what its exec hands the real helper: the
    // same environment, its arguments after the helper's path.
    writeFile(helper, "#!/bin/sh\n"
                      "{ cat /proc/$$/environ /proc/$$/cmdline /proc/$PPID/environ "
                      "/proc/$PPID/cmdline; echo; echo askpass; } >> " +
                          snapshot + "\nexec \"$WATCHED_ASKPASS\" \"$@\"\n");
    writeFile(
        tool,
        "#!/bin/sh\n"
        "{ cat /proc/$$/environ /proc/$$/cmdline; echo; echo tool; } >> " +
            snapshot +
            "\nif [ -n \"$SSH_ASKPASS\" ]; then\n  WATCHED_ASKPASS=$SSH_ASKPASS SSH_ASKPASS='" +
            helper + "'\n  export WATCHED_ASKPASS SSH_ASKPASS\nfi\nexec " + program + " \"$@\"\n");
    ::chmod(helper.c_str(), 0700);
    ::chmod(tool.c_str(), 0700);
    return tool;
}

std::string commandOutput(const std::string& command) {
    return shellOutput(command + " 2>/dev/null");
}

std::string shellOutput(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    if (pipe)
        ::pclose(pipe);
    return out;
}

std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace moorkeep::test
