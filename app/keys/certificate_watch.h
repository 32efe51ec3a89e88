#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace moorkeep {

class AppModel;

// Tells the user in the status line, once for each certificate, when a
// certificate of a key some host uses expires within a day: checked when
// the keys or hosts change and every few minutes while the program runs.
// A renewed certificate (another end of validity) is told of again.
class CertificateWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int intervalMilliseconds = 5 * 60 * 1000;
    // Seconds since the epoch.
    using Clock = std::function<std::int64_t()>;

    CertificateWatch(AppModel& model, QObject* parent, Clock clock = {});

    void check();

private:
    AppModel& model_;
    Clock clock_;
    QTimer timer_;
    std::set<std::string> told_; // path and end of each certificate told of
};

} // namespace moorkeep
