#pragma once

#include "connect/install_key_dialog.h"

#include <QObject>
#include <QPointer>
#include <optional>
#include <string>

class QAction;

namespace moorkeep {

class AppModel;
class ContentView;
class HostShortlist;
class TerminalLauncher;

// What the main window adds for terminals: in the Host menu "Connect"
// (Ctrl+Return) and the favourite toggle, live while the Hosts tab shows a
// selected host; in the Key menu "Install Public Key on Host…". Answers the
// Hosts screen's requests to connect and to install a key, and presents the
// install dialog as a window-modal sheet.
class WindowConnectActions : public QObject {
    Q_OBJECT

public:
    WindowConnectActions(AppModel& model, ContentView& window, HostShortlist& shortlist,
                         TerminalLauncher& launcher);

    InstallKeyDialog* installDialog() const { return installDialog_; }

private:
    void update();
    std::optional<SSHHost> selectedHost() const;
    void openInstallDialog(const std::optional<std::string>& hostId,
                           const std::optional<std::string>& keyId);

    AppModel& model_;
    ContentView& window_;
    HostShortlist& shortlist_;
    TerminalLauncher& launcher_;
    QAction* connect_;
    QAction* favourite_;
    QAction* install_;
    QPointer<InstallKeyDialog> installDialog_;
};

} // namespace moorkeep
