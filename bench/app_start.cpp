// Start-up of the desktop application as the user meets it: from the start
// of the process until the host list is painted, with the spinner painted
// meanwhile. It starts the application as main.cpp does, and probes the
// user-interface thread with a short timer: every gap between two ticks is
// a step the thread took without returning to its event loop. Each gap is
// reported in wall time and in the thread's own CPU time, since on a busy
// machine wall time also counts the waits for a core.
//
// Once the list is shown, the steps of window_steps.h follow.
//
//     HOME=... XDG_DATA_HOME=... app_start_bench
//
// MOORKEEP_BENCH_T0_NS, when set, is the CLOCK_MONOTONIC time at which the
// caller started the process; without it the clock starts at main().

#include "app/window_steps.h"
#include "application/moorkeep_app.h"
#include "model/app_model.h"
#include "window/content_view.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double nowMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double startMs() {
    if (const char* t0 = std::getenv("MOORKEEP_BENCH_T0_NS"))
        return static_cast<double>(std::strtoll(t0, nullptr, 10)) / 1e6;
    return nowMs(CLOCK_MONOTONIC);
}

// Watches the paints of the main window: the first one while loading (the
// spinner) and the first one after loading (the list).
class PaintWatch : public QObject {
public:
    PaintWatch(moorkeep::AppModel& model, double start)
        : model_(model)
        , start_(start) {}

    double spinnerPainted = -1;
    double listPainted = -1;
    double loaded = -1;

    // The window paints on an update request; the time is taken once the
    // request has been handled, so that it includes the painting.
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::UpdateRequest)
            return false;
        double* mark = nullptr;
        if (model_.isLoading() && spinnerPainted < 0)
            mark = &spinnerPainted;
        else if (!model_.isLoading() && loaded >= 0 && listPainted < 0)
            mark = &listPainted;
        if (mark)
            QTimer::singleShot(0, this, [this, mark] { *mark = nowMs(CLOCK_MONOTONIC) - start_; });
        return false;
    }

private:
    moorkeep::AppModel& model_;
    double start_;
};

// Ticks every 2 ms on the user-interface thread; a longer gap is a step the
// thread took without returning to its loop.
struct StepProbe {
    static constexpr double tickMs = 2;
    explicit StepProbe(double startMs)
        : start(startMs) {}
    double start;
    double lastWall = nowMs(CLOCK_MONOTONIC);
    double lastCpu = nowMs(CLOCK_THREAD_CPUTIME_ID);
    double worstWall = 0, worstCpu = 0;
    int steps = 0;
    struct Step {
        double from, to, cpu;
    };
    std::vector<Step> longSteps;

    void tick() {
        const double wall = nowMs(CLOCK_MONOTONIC), cpu = nowMs(CLOCK_THREAD_CPUTIME_ID);
        worstWall = std::max(worstWall, wall - lastWall - tickMs);
        worstCpu = std::max(worstCpu, cpu - lastCpu);
        if (cpu - lastCpu > 8 || wall - lastWall - tickMs > 16)
            longSteps.push_back({lastWall - start, wall - start, cpu - lastCpu});
        ++steps;
        lastWall = wall;
        lastCpu = cpu;
    }
};

void printSteps(const StepProbe& probe) {
    std::printf("longest UI step, wall %8.1f ms\n", probe.worstWall);
    std::printf("longest UI step, CPU  %8.1f ms\n", probe.worstCpu);
    std::printf("probe ticks           %8d\n", probe.steps);
    for (const StepProbe::Step& step : probe.longSteps)
        std::printf("  long step %.1f to %.1f ms, CPU %.1f ms\n", step.from, step.to, step.cpu);
}

} // namespace

int main(int argc, char** argv) {
    const double start = startMs();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication application(argc, argv);
    const double appReady = nowMs(CLOCK_MONOTONIC) - start;

    moorkeep::MoorkeepApp app;
    moorkeep::AppModel& model = app.model();
    PaintWatch watch(model, start);
    app.mainWindow()->installEventFilter(&watch);
    const double windowBuilt = nowMs(CLOCK_MONOTONIC) - start;

    StepProbe steps(start);
    std::vector<std::pair<std::string, double>> windowSteps;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(static_cast<int>(StepProbe::tickMs));
    QObject::connect(&probe, &QTimer::timeout, [&] {
        steps.tick();
        if (watch.listPainted >= 0 && probe.isActive()) {
            // The window's steps run on the loop, while the window lives.
            probe.stop();
            QTimer::singleShot(0, &application, [&] {
                windowSteps = measureWindowSteps(*app.mainWindow());
                application.quit();
            });
        }
    });
    QObject::connect(&model, &moorkeep::AppModel::isLoadingChanged, [&] {
        if (!model.isLoading()) {
            watch.loaded = nowMs(CLOCK_MONOTONIC) - start;
            app.mainWindow()->update();
        }
    });
    probe.start();
    QTimer::singleShot(20000, &application, &QApplication::quit);
    application.exec();

    std::printf("hosts %zu  keys %zu\n", model.hosts().size(), model.keys().size());
    std::printf("application object    %8.1f ms\n", appReady);
    std::printf("window built          %8.1f ms\n", windowBuilt);
    std::printf("spinner painted       %8.1f ms\n", watch.spinnerPainted);
    std::printf("data applied          %8.1f ms\n", watch.loaded);
    std::printf("host list painted     %8.1f ms\n", watch.listPainted);
    printSteps(steps);
    if (watch.listPainted < 0)
        return 1;
    for (const auto& [name, ms] : windowSteps)
        std::printf("%-22s%8.1f ms\n", name.c_str(), ms);
    return 0;
}
