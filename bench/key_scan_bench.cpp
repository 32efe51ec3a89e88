#include "files/paths.h"
#include "keys/key_scanner.h"
#include "keys/key_tool.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

using namespace moorkeep;

constexpr int warmKeyCount = 200;
constexpr int coldKeyCount = 20;

// A throw-away directory, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "moorkeep-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return paths::join(path_, name); }

private:
    std::string path_;
};

void makeKeyPair(const std::string& privatePath, const std::string& passphrase) {
    KeyToolResult result = runKeyTool(
        keyToolPath, {"-q", "-t", "ed25519", "-N", passphrase, "-C", "bench", "-f", privatePath},
        30.0);
    if (result.status != 0)
        throw std::runtime_error("ssh-keygen failed: " + result.errorOutput);
}

// Copies of one real pair, and the cache a first scan returned for them.
struct CachedKeys {
    ScratchDir dir;
    std::vector<KeyCacheEntry> cache;

    CachedKeys() {
        ScratchDir source;
        makeKeyPair(source.file("id"), "");
        for (int i = 0; i < warmKeyCount; ++i) {
            std::string name = dir.file("key_" + std::to_string(i));
            std::filesystem::copy_file(source.file("id"), name);
            std::filesystem::copy_file(source.file("id.pub"), name + ".pub");
        }
        cache = KeyScanner::scan(dir.path(), {}).cache;
    }
};

// Distinct real pairs; `locked` ones make every probe pay for the
// passphrase's key derivation.
struct FreshKeys {
    ScratchDir dir;

    explicit FreshKeys(bool locked) {
        for (int i = 0; i < coldKeyCount; ++i)
            makeKeyPair(dir.file("key_" + std::to_string(i)), locked ? "bench phrase" : "");
    }
};

const FreshKeys& freshKeys(bool locked) {
    static const FreshKeys open(false);
    static const FreshKeys protectedKeys(true);
    return locked ? protectedKeys : open;
}

void warmScan(benchmark::State& state) {
    static const CachedKeys keys;
    for (auto _ : state) {
        ScanResult result = KeyScanner::scan(keys.dir.path(), keys.cache);
        if (result.cache != keys.cache)
            state.SkipWithError("a cached key missed the cache");
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * warmKeyCount);
}
BENCHMARK(warmScan)->Name("WarmScan/200CachedKeys")->Unit(benchmark::kMicrosecond);

void coldScan(benchmark::State& state) {
    const FreshKeys& keys = freshKeys(state.range(0) != 0);
    for (auto _ : state) {
        ScanResult result = KeyScanner::scan(keys.dir.path(), {});
        if (result.keys.size() != coldKeyCount)
            state.SkipWithError("keys went missing");
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * coldKeyCount);
}
BENCHMARK(coldScan)
    ->Name("ColdScan/20RealKeys")
    ->ArgName("protected")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same tool runs one after another: what a scan without its pool costs.
void sequentialQueries(benchmark::State& state) {
    const FreshKeys& keys = freshKeys(state.range(0) != 0);
    for (auto _ : state) {
        for (int i = 0; i < coldKeyCount; ++i) {
            std::string path = keys.dir.file("key_" + std::to_string(i));
            benchmark::DoNotOptimize(keyFingerprint(path + ".pub"));
            benchmark::DoNotOptimize(probeHasPassphrase(path));
        }
    }
    state.SetItemsProcessed(state.iterations() * coldKeyCount);
}
BENCHMARK(sequentialQueries)
    ->Name("SequentialToolRuns/20RealKeys")
    ->ArgName("protected")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
