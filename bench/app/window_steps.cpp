#include "window_steps.h"

#include "app/paint_count.h"
#include "hosts/defaults_dialog.h"
#include "hosts/hosts_state.h"
#include "hosts/known_host_keys_card.h"
#include "window/content_view.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QThread>
#include <algorithm>
#include <ctime>
#include <functional>
#include <stdexcept>

using namespace moorkeep;

namespace {

double nowMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs the event loop until the widget found after the input has painted.
void runUntilPainted(const std::function<QWidget*()>& painted) {
    QWidget* widget = painted();
    if (!widget)
        throw std::runtime_error("nothing to paint after the input");
    const PaintCount count(widget);
    QDeadlineTimer deadline(2000);
    while (count.paints == 0) {
        if (deadline.hasExpired())
            throw std::runtime_error("the window did not paint after the input");
        QApplication::processEvents();
    }
}

// Wall and thread CPU milliseconds from the input to the paint.
struct Step {
    double wall = 0, cpu = 0;
};

Step timed(const std::function<void()>& input, const std::function<QWidget*()>& painted,
           const std::function<void()>& thenWait = {}) {
    QApplication::processEvents();
    const double wall = nowMs(CLOCK_MONOTONIC), cpu = nowMs(CLOCK_THREAD_CPUTIME_ID);
    input();
    runUntilPainted(painted);
    if (thenWait)
        thenWait();
    return {nowMs(CLOCK_MONOTONIC) - wall, nowMs(CLOCK_THREAD_CPUTIME_ID) - cpu};
}

// The processor time the process's other threads have taken so far.
double othersCpuMs() {
    return nowMs(CLOCK_PROCESS_CPUTIME_ID) - nowMs(CLOCK_THREAD_CPUTIME_ID);
}

// Runs the event loop until the work the window started on other threads
// is done (the diagnosis after the first load, a host's known host keys):
// until those threads take under a millisecond in 100. Each step then meets
// the window as a user does who pauses a moment between two keys, not the
// tail of the step before it. Returns the wall milliseconds waited.
double settle() {
    const double start = nowMs(CLOCK_MONOTONIC);
    double quietFrom = start, othersAt = othersCpuMs();
    QDeadlineTimer deadline(30000);
    while (nowMs(CLOCK_MONOTONIC) - quietFrom < 100) {
        if (deadline.hasExpired())
            throw std::runtime_error("the window's background work did not end");
        QApplication::processEvents();
        QThread::msleep(2);
        if (othersCpuMs() - othersAt >= 1) {
            quietFrom = nowMs(CLOCK_MONOTONIC);
            othersAt = othersCpuMs();
        }
    }
    return quietFrom - start;
}

void keepSlowest(Step& slowest, Step step) {
    slowest.wall = std::max(slowest.wall, step.wall);
    slowest.cpu = std::max(slowest.cpu, step.cpu);
}

template <typename T> T* child(QObject& parent, const char* name) {
    auto* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no ") + name);
    return found;
}

// From the input to the paint of the known host keys card once it shows
// what the worker read.
Step timedToKnownKeys(const std::function<void()>& input, QWidget& detail) {
    bool shown = false;
    QMetaObject::Connection connection;
    const Step step = timed(
        [&] {
            input();
            connection = QObject::connect(child<KnownHostKeysCard>(detail, "knownHostKeysSection"),
                                          &KnownHostKeysCard::keysShown, [&] { shown = true; });
        },
        [&] { return child<QWidget>(detail, "hostAliasLabel"); },
        [&] {
            QDeadlineTimer deadline(10000);
            while (!shown && !deadline.hasExpired())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (!shown)
                throw std::runtime_error("the known host keys did not come");
            // The paint the card's change asked for.
            QApplication::processEvents();
        });
    QObject::disconnect(connection);
    return step;
}

} // namespace

std::vector<std::pair<std::string, double>> measureWindowSteps(ContentView& window) {
    auto* search = child<QLineEdit>(window, "hostsSearchField");
    auto* list = child<QListView>(window, "hostList");
    auto* detail = child<QWidget>(window, "hostsDetail");
    const double background = settle();
    // Typed one character at a time, then erased to the whole list again.
    Step typing;
    for (const char* text : {"h", "h5", "h50", "h500", "h50", "h5", "h", ""}) {
        keepSlowest(typing, timed([&] { search->setText(QString::fromLatin1(text)); },
                                  [&] { return list->viewport(); }));
        settle();
    }
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    settle();
    // Each move is timed to the paint of the host's facts, and another to
    // the paint of its known host keys, which a worker reads meanwhile.
    Step moving, keysShown;
    for (int i = 0; i < 6; ++i) {
        auto move = [&] {
            QKeyEvent press(QEvent::KeyPress, i % 2 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(list, &press);
        };
        auto alias = [&] { return detail->findChild<QWidget*>(QStringLiteral("hostAliasLabel")); };
        keepSlowest(moving, timed(move, alias));
        settle();
        keepSlowest(keysShown, timedToKnownKeys(move, *detail));
        settle();
    }
    const Step opening = timed([&] { window.hostsState().setSheet(HostSheet::defaults()); },
                               [&] { return window.findChild<DefaultsDialog*>(); });
    window.hostsState().setSheet(std::nullopt);
    return {{"background after list", background},   {"search keystroke, wall", typing.wall},
            {"search keystroke, CPU", typing.cpu},   {"selection move, wall", moving.wall},
            {"selection move, CPU", moving.cpu},     {"known host keys, wall", keysShown.wall},
            {"defaults dialog, wall", opening.wall}, {"defaults dialog, CPU", opening.cpu}};
}
