#include "files/atomic_file.h"
#include "knownhosts/known_host_reading.h"
#include "knownhosts/known_hosts_digest.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace {

using namespace moorkeep;

constexpr int lineCount = 100000;
const std::string key =
    "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIOMqqnkVzrm0SdG6UOoqKLsabgH5C9okWi0dh2l9GKJl";

// 100,000 lines as a long-used file holds them: nine in ten hashed (as
// HashKnownHosts writes them), the rest plain names and comma lists, a few
// comments; the looked-up host on a handful of lines.
struct LargeFile {
    std::string path;

    LargeFile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "moorkeep-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        path = pattern + "/known_hosts";
        std::mt19937 random(7);
        std::string text;
        for (int i = 0; i < lineCount; ++i) {
            const std::string name =
                i % 20000 == 1 ? "target.example" : "host" + std::to_string(i) + ".example";
            if (i % 50 == 0) {
                text += "# added by hand\n";
            } else if (i % 10 == 0) {
                text += name + ",10.1." + std::to_string(i % 250) + ".7 " + key + "\n";
            } else {
                std::string salt(20, '\0');
                for (char& c : salt)
                    c = char(random());
                text += "|1|" + knownhosts::encodeBase64(salt) + "|" +
                        knownhosts::encodeBase64(knownhosts::hmacSha1(salt, name)) + " " + key +
                        "\n";
            }
        }
        files::writeAtomically(path, text);
    }
    ~LargeFile() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ignored);
    }
};

void readLargeKnownHosts(benchmark::State& state) {
    static const LargeFile file;
    KnownHostKeys lookup;
    lookup.lookupName = "target.example";
    lookup.userFiles = {file.path};
    for (auto _ : state) {
        knownhosts::readKeys(lookup);
        benchmark::DoNotOptimize(lookup.keys.data());
    }
    state.counters["keys"] = double(lookup.keys.size());
}

BENCHMARK(readLargeKnownHosts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
