#include "window_steps.h"

#include "app/paint_count.h"
#include "hosts/defaults_dialog.h"
#include "hosts/hosts_state.h"
#include "window/content_view.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
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

Step timed(const std::function<void()>& input, const std::function<QWidget*()>& painted) {
    QApplication::processEvents();
    const double wall = nowMs(CLOCK_MONOTONIC), cpu = nowMs(CLOCK_THREAD_CPUTIME_ID);
    input();
    runUntilPainted(painted);
    return {nowMs(CLOCK_MONOTONIC) - wall, nowMs(CLOCK_THREAD_CPUTIME_ID) - cpu};
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

} // namespace

std::vector<std::pair<std::string, double>> measureWindowSteps(ContentView& window) {
    auto* search = child<QLineEdit>(window, "hostsSearchField");
    auto* list = child<QListView>(window, "hostList");
    auto* detail = child<QWidget>(window, "hostsDetail");
    // Typed one character at a time, then erased to the whole list again.
    Step typing;
    for (const char* text : {"h", "h5", "h50", "h500", "h50", "h5", "h", ""})
        keepSlowest(typing, timed([&] { search->setText(QString::fromLatin1(text)); },
                                  [&] { return list->viewport(); }));
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    Step moving;
    for (int i = 0; i < 6; ++i) {
        auto down = [&] {
            QKeyEvent press(QEvent::KeyPress, i % 2 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(list, &press);
        };
        keepSlowest(moving, timed(down, [&] {
                        return detail->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
                    }));
    }
    const Step opening = timed([&] { window.hostsState().setSheet(HostSheet::defaults()); },
                               [&] { return window.findChild<DefaultsDialog*>(); });
    window.hostsState().setSheet(std::nullopt);
    return {{"search keystroke, wall", typing.wall}, {"search keystroke, CPU", typing.cpu},
            {"selection move, wall", moving.wall},   {"selection move, CPU", moving.cpu},
            {"defaults dialog, wall", opening.wall}, {"defaults dialog, CPU", opening.cpu}};
}
