// How the Keys tab holds up with 500 keys and 10,000 hosts using them: the
// tab's opening, one keystroke in the search field and one change of the
// selection, each until the window has painted. Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/release/bench/keys_tab_bench
#include "keys/keys_sidebar.h"
#include "keys/keys_state.h"
#include "model/app_model.h"
#include "window/content_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace moorkeep;

namespace {

constexpr int keyCount = 500;
constexpr int hostCount = 10000;
// The first key is used by this many hosts; the others share the rest.
constexpr int heavyKeyHosts = 1000;

VaultData largeVault() {
    VaultData data;
    for (int i = 0; i < keyCount; ++i) {
        std::string n = std::to_string(i);
        data.keys.push_back({.id = "key-" + n,
                             .name = (i % 3 ? "deploy-" : "laptop-") + n,
                             .path = "~/.ssh/id_" + n,
                             .type = i % 4 ? "ed25519" : "rsa",
                             .fingerprint = "SHA256:fingerprint" + n,
                             .publicKey = "ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAA" + n,
                             .hasPassphrase = i % 2 == 0,
                             .createdAt = "2024-05-06"});
    }
    for (int i = 0; i < hostCount; ++i) {
        SSHHost host;
        host.id = "host-" + std::to_string(i);
        host.alias = "host-" + std::to_string(i);
        host.hostname = host.alias + ".example.org";
        host.user = "deploy";
        const int key = i < heavyKeyHosts ? 0 : 1 + i % (keyCount - 1);
        host.keyId = "key-" + std::to_string(key);
        data.hosts.push_back(std::move(host));
    }
    return data;
}

// Hands out the large vault; nothing else is asked of it here.
class LargeStore : public VaultStore {
public:
    VaultData loadData() override { return largeVault(); }
    SSHHost saveHost(const SSHHost&, const KeyIdToPath&) override { throw unused(); }
    SSHHost saveConfigHost(const SSHHost&, const std::optional<std::string>&,
                           const KeyIdToPath&) override {
        throw unused();
    }
    void deleteHost(const std::string&, const KeyIdToPath&) override { throw unused(); }
    void deleteConfigHost(const SSHHost&) override { throw unused(); }
    void saveKeyMeta(const SSHKey&) override { throw unused(); }
    void deleteKeyMeta(const std::string&, const DeleteKeyOptions&) override { throw unused(); }
    std::vector<SSHKey> rescanKeys() override { return largeVault().keys; }
    std::vector<SSHKey> generateKey(const GenerateKeyOptions&) override { throw unused(); }
    std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions&) override {
        throw unused();
    }
    Defaults saveConfigDefaults(const Defaults&, const KeyIdToPath&) override { throw unused(); }

private:
    static std::runtime_error unused() { return std::runtime_error("not part of the benchmark"); }
};

struct Sample {
    double wall = 0; // milliseconds
    double cpu = 0;  // of the user-interface thread, milliseconds
};

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Runs the step, lets the window settle and paint. The thread's CPU time is
// the figure to read on a busy machine, where wall time mostly measures the
// wait for a core.
template <typename Step> Sample timed(ContentView& window, Step step) {
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = threadCpuMilliseconds();
    step();
    QApplication::processEvents();
    window.repaint();
    return {double(timer.nsecsElapsed()) / 1e6, threadCpuMilliseconds() - cpuBefore};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, const std::vector<Sample>& samples) {
    std::vector<double> wall, cpu;
    for (const auto& sample : samples) {
        wall.push_back(sample.wall);
        cpu.push_back(sample.cpu);
    }
    std::printf("%-40s CPU median %7.2f ms, max %7.2f ms   wall median %7.2f ms   (%zu runs)\n",
                what, median(cpu), *std::max_element(cpu.begin(), cpu.end()), median(wall),
                samples.size());
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    AppModel model(std::make_shared<LargeStore>());
    ContentView window(model);
    window.resize(1040, 680);
    window.show();
    while (model.isLoading())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();

    std::vector<Sample> open, keystroke, selection, heavySelection;
    for (int run = 0; run < 15; ++run) {
        model.setTab(AppTab::hosts);
        QApplication::processEvents();
        window.keysState().setSearch(QString());
        open.push_back(timed(window, [&] { model.setTab(AppTab::keys); }));

        auto* search = window.findChild<KeysSidebar*>()->searchField();
        search->clear();
        keystroke.push_back(timed(window, [&] { search->insert(QStringLiteral("d")); }));
        keystroke.push_back(timed(window, [&] { search->insert(QStringLiteral("e")); }));
        search->clear();

        const std::string id = "key-" + std::to_string(1 + run * 7);
        selection.push_back(timed(window, [&] { window.keysState().setSelectedId(id); }));
        heavySelection.push_back(
            timed(window, [&] { window.keysState().setSelectedId(std::string("key-0")); }));
    }
    std::printf("Keys tab with %d keys and %d hosts (first key used by %d hosts)\n", keyCount,
                hostCount, heavyKeyHosts);
    report("open the Keys tab", open);
    report("one keystroke in the search field", keystroke);
    report("select a key used by 20 hosts", selection);
    report("select the key used by 1,000 hosts", heavySelection);
    return 0;
}
