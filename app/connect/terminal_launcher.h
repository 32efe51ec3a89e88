#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace moorkeep {

class AppModel;
class HostShortlist;
struct SSHHost;
struct SSHKey;

// Runs a command for the user in a terminal of their desktop, chosen from
// the preferred terminal (read through the model) and what is installed. The
// terminal is started detached, with an argument list and no shell. When no
// terminal is found an alert says so and offers to copy the command; a
// terminal that cannot start gives an error alert. Alerts are window-modal
// over the given window, or stand alone without one.
class TerminalLauncher : public QObject {
    Q_OBJECT

public:
    TerminalLauncher(AppModel& model, HostShortlist& shortlist, QObject* parent = nullptr);

    // ssh to the host; a host so reached becomes the newest recent one.
    void connectTo(const SSHHost& host, QWidget* window);
    // ssh-copy-id with the key's public file, to the host; a host or key it
    // would misread gets a warning alert instead, and no terminal.
    void installKey(const SSHKey& key, const SSHHost& host, QWidget* window);

    // The key's public file, its "~" made the home folder.
    static std::string publicKeyPath(const SSHKey& key);

private:
    void run(std::vector<std::string> command, QPointer<QWidget> window,
             std::function<void()> onStarted);
    void start(const std::vector<std::string>& arguments, QWidget* window,
               const std::function<void()>& onStarted);
    void offerCopy(const std::vector<std::string>& command, QWidget* window);
    void showFailure(const QString& text, const QString& detail, QWidget* window);
    void warn(const QString& objectName, const QString& title, const QString& text,
              const QString& detail, QWidget* window);

    AppModel& model_;
    HostShortlist& shortlist_;
};

} // namespace moorkeep
