#include "editing/config_writer.h"
#include "files/atomic_file.h"
#include "files/paths.h"
#include "reading/config_parser.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

using namespace moorkeep;

constexpr int fileCount = 100;
constexpr int blocksPerFile = 100;
constexpr int blockCount = fileCount * blocksPerFile;

std::string blockText(int index) {
    const std::string n = std::to_string(index);
    return "Host host-" + n + "\n  HostName 10.0." + std::to_string(index / 250) + "." +
           std::to_string(index % 250) + "\n  User user" + n + "\n  Port " +
           std::to_string(2200 + index % 100) +
           "\n  IdentityFile ~/.ssh/id_ed25519\n  ServerAliveInterval 30\n\n";
}

// A throw-away home directory, removed with everything in it.
class BenchHome {
public:
    BenchHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "moorkeep-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        path_ = pattern;
        files::createDirectories(paths::join(path_, ".ssh/config.d"), 0700);
    }
    ~BenchHome() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

    const std::string& path() const { return path_; }
    std::string config() const { return paths::join(path_, ".ssh/config"); }

private:
    std::string path_;
};

std::string manyBlocks(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i)
        text += blockText(i);
    return text;
}

// 10,000 blocks in 100 files that the main file includes with one pattern.
void BM_ParseIncludedConfig(benchmark::State& state) {
    BenchHome home;
    for (int file = 0; file < fileCount; ++file) {
        char name[32];
        std::snprintf(name, sizeof name, ".ssh/config.d/hosts-%03d", file);
        files::writeAtomically(paths::join(home.path(), name),
                               manyBlocks(file * blocksPerFile, blocksPerFile));
    }
    files::writeAtomically(home.config(),
                           "Include ~/.ssh/config.d/*\n\nHost *\n  User admin\n  Port 22\n");
    const ConfigParser::KeyPathToId keys{{paths::join(home.path(), ".ssh/id_ed25519"), "key-ed"}};

    std::size_t hosts = 0;
    for (auto _ : state) {
        const ParsedConfig parsed = ConfigParser::parse(
            ConfigParser::readLines(home.config(), home.path()), keys, home.path());
        hosts = parsed.hosts.size();
        benchmark::DoNotOptimize(parsed);
    }
    if (hosts != blockCount)
        state.SkipWithError("the parser did not find every host");
    state.counters["hosts"] = static_cast<double>(hosts);
}
BENCHMARK(BM_ParseIncludedConfig)->Unit(benchmark::kMillisecond);

SSHHost editedHost(int iteration) {
    SSHHost host;
    host.alias = "host-" + std::to_string(blockCount / 2);
    host.hostname = "edited-" + std::to_string(iteration % 2) + ".example.com";
    host.user = "deploy";
    host.port = 2222;
    host.keyId = "key-ed";
    return host;
}

const KeyIdToPath keyPaths{{"key-ed", "~/.ssh/id_ed25519"}};

// One block in the middle of a 10,000-block text.
void BM_UpdateBlockText(benchmark::State& state) {
    const std::string text = manyBlocks(0, blockCount);
    int iteration = 0;
    for (auto _ : state) {
        std::string edited = ConfigWriter::updateHostBlock(text, editedHost(iteration++),
                                                           std::nullopt, Defaults{}, keyPaths);
        benchmark::DoNotOptimize(edited);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_UpdateBlockText)->Unit(benchmark::kMillisecond);

// The same edit on the file: read, edit, write atomically (with its fsync).
void BM_UpdateBlockFile(benchmark::State& state) {
    BenchHome home;
    files::writeAtomically(home.config(), manyBlocks(0, blockCount));
    int iteration = 0;
    for (auto _ : state) {
        if (!ConfigWriter::updateHostBlock(ConfigWriter::AtPath{home.config()},
                                           editedHost(iteration++), std::nullopt, Defaults{},
                                           keyPaths))
            state.SkipWithError("the block was not found");
    }
}
BENCHMARK(BM_UpdateBlockFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
