// The Hosts tab with 10,000 hosts (Qt offscreen): opening the window, one
// keystroke in the search field (filter and repaint), and selecting a host.
#include "app_model.h"
#include "content_view.h"
#include "hosts/hosts_state.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int hostCount = 10000;

class ManyHostsStore : public moorkeep::VaultStore {
public:
    ManyHostsStore() {
        for (int i = 0; i < hostCount; ++i) {
            moorkeep::SSHHost host;
            host.id = "id-" + std::to_string(i);
            host.alias = "host-" + std::to_string(i);
            host.hostname =
                "10." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) + ".1";
            host.user = i % 3 ? "deploy" : "admin";
            host.extraOptions = {{"ServerAliveInterval", "60"}};
            data_.hosts.push_back(host);
        }
    }
    moorkeep::VaultData loadData() override { return data_; }
    moorkeep::SSHHost saveHost(const moorkeep::SSHHost& h, const moorkeep::KeyIdToPath&) override {
        return h;
    }
    moorkeep::SSHHost saveConfigHost(const moorkeep::SSHHost& h, const std::optional<std::string>&,
                                     const moorkeep::KeyIdToPath&) override {
        return h;
    }
    void deleteHost(const std::string&, const moorkeep::KeyIdToPath&) override {}
    void deleteConfigHost(const moorkeep::SSHHost&) override {}
    void saveKeyMeta(const moorkeep::SSHKey&) override {}
    void deleteKeyMeta(const std::string&) override {}
    std::vector<moorkeep::SSHKey> rescanKeys() override { return {}; }
    std::vector<moorkeep::SSHKey> generateKey(const moorkeep::GenerateKeyOptions&) override {
        return {};
    }
    std::vector<moorkeep::SSHKey>
    changePassphrase(const moorkeep::ChangePassphraseOptions&) override {
        return {};
    }
    moorkeep::Defaults saveConfigDefaults(const moorkeep::Defaults& d,
                                          const moorkeep::KeyIdToPath&) override {
        return d;
    }

private:
    moorkeep::VaultData data_;
};

struct Window {
    Window()
        : model(std::make_shared<ManyHostsStore>())
        , view(model) {
        view.show();
        if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 10000))
            qFatal("the hosts did not load");
        QApplication::processEvents();
    }
    moorkeep::AppModel model;
    moorkeep::ContentView view;
};

// From show to the first painted frame with all hosts listed.
void openWindow(benchmark::State& state) {
    for (auto _ : state) {
        Window window;
        window.view.grab();
    }
}
BENCHMARK(openWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

// One character typed in the search field: the list filters and repaints.
void filterKeystroke(benchmark::State& state) {
    Window window;
    auto* search = window.view.findChild<QLineEdit*>(QStringLiteral("hostsSearchField"));
    auto* list = window.view.findChild<QWidget*>(QStringLiteral("hostList"));
    const QString texts[] = {QStringLiteral("h"),      QStringLiteral("ho"),
                             QStringLiteral("host-9"), QStringLiteral("host-99"),
                             QStringLiteral("deploy"), QString()};
    std::size_t next = 0;
    for (auto _ : state) {
        search->setText(texts[next++ % std::size(texts)]);
        list->repaint();
    }
}
BENCHMARK(filterKeystroke)->Unit(benchmark::kMillisecond);

// A click in the list: the detail pane shows the host, painted.
void selectHost(benchmark::State& state) {
    Window window;
    auto* detail = window.view.findChild<QWidget*>(QStringLiteral("hostsDetail"));
    int next = 0;
    for (auto _ : state) {
        window.view.hostsState().setSelectedId("id-" + std::to_string((next += 997) % hostCount));
        detail->repaint();
    }
}
BENCHMARK(selectHost)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
