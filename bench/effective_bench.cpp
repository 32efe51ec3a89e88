// What OpenSSH uses for every host of a 10,000-block configuration, against
// one whole `ssh -G` run on the same file. Prints the medians and their
// ratio; the target is a ratio of at most 2.
//
//     build/release/bench/effective_bench [runs]

#include "files/atomic_file.h"
#include "files/paths.h"
#include "keys/key_tool.h"
#include "openssh/host_effects.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_document.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace moorkeep;
using Clock = std::chrono::steady_clock;

constexpr int blockCount = 10000;

// The blocks of bench/load_speed.py, with the defaults last.
std::string configText() {
    std::string text;
    for (int i = 0; i < blockCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "h%04d", i);
        text += "Host " + std::string(name) + "\n  HostName 10." + std::to_string(i / 65536 % 256) +
                "." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) +
                "\n  User user" + std::to_string(i % 50) + "\n  Port " +
                std::to_string(2200 + i % 100) + "\n  IdentityFile ~/.ssh/id_key" +
                std::to_string(i % 20) + "\n";
        if (i % 5 == 0)
            text += "  ProxyJump jump" + std::to_string(i % 7) + ".example.com\n";
        text += "\n";
    }
    return text + "Host *\n  ServerAliveInterval 30\n  User admin\n";
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    std::string home = (std::filesystem::temp_directory_path() / "moorkeep-bench-XXXXXX").string();
    if (!::mkdtemp(home.data()))
        return 1;
    const std::string config = paths::join(home, ".ssh/config");
    files::createDirectories(paths::parent(config), 0700);
    files::writeAtomically(config, configText(), 0600);

    std::vector<std::string> names;
    for (int i = 0; i < blockCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "h%04d", i);
        names.emplace_back(name);
    }
    const std::string user = config::localUserName();
    std::vector<double> ours, theirs;
    std::size_t values = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        const KeyToolResult ssh =
            runKeyTool("/usr/bin/ssh", {"-G", "-F", config, "--", "h5000"}, 30, {{{"HOME", home}}});
        theirs.push_back(millisecondsSince(start));
        if (ssh.status != 0)
            return 1;

        start = Clock::now();
        const config::OpenSSHEvaluator evaluator(config::readDocument(config, home), true);
        values = 0;
        for (const auto& name : names)
            values += evaluator.evaluate(name, user).effective.size();
        ours.push_back(millisecondsSince(start));
    }
    std::filesystem::remove_all(home);
    std::printf("ssh -G, one host:            %.1f ms\n", median(theirs));
    std::printf("every host evaluated (%d): %.1f ms (%zu values)\n", blockCount, median(ours),
                values);
    std::printf("ratio:                       %.2f (target <= 2)\n", median(ours) / median(theirs));
    return 0;
}
