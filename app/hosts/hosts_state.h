#pragma once

#include "hosts/host_sheet.h"
#include "model/ssh_host.h"

#include <QObject>
#include <QString>
#include <optional>
#include <string>

namespace moorkeep {

// What the Hosts screen remembers while the window is open, also across
// switches to the Keys tab. The sidebar, the detail pane and the screen's
// dialogs all follow its change signals.
class HostsState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<std::string>& selectedId() const { return selectedId_; }
    const QString& search() const { return search_; }
    const std::optional<HostSheet>& sheet() const { return sheet_; }
    const std::optional<SSHHost>& hostToDelete() const { return hostToDelete_; }

    void setSelectedId(std::optional<std::string> id) {
        change(selectedId_, std::move(id), &HostsState::selectedIdChanged);
    }
    void setSearch(QString search) {
        change(search_, std::move(search), &HostsState::searchChanged);
    }
    void setSheet(std::optional<HostSheet> sheet) {
        change(sheet_, std::move(sheet), &HostsState::sheetChanged);
    }
    void setHostToDelete(std::optional<SSHHost> host) {
        change(hostToDelete_, std::move(host), &HostsState::hostToDeleteChanged);
    }
    // Asked for from the detail, the list or a menu; the window's connect
    // actions answer.
    void requestConnect(const SSHHost& host) { emit connectRequested(host); }
    void requestKeyInstall(const SSHHost& host) { emit keyInstallRequested(host); }

signals:
    void selectedIdChanged();
    void searchChanged();
    void sheetChanged();
    void hostToDeleteChanged();
    void connectRequested(const SSHHost& host);
    void keyInstallRequested(const SSHHost& host);

private:
    template <typename T> void change(T& field, T value, void (HostsState::*changed)()) {
        if (field == value)
            return;
        field = std::move(value);
        emit(this->*changed)();
    }

    std::optional<std::string> selectedId_;
    QString search_;
    std::optional<HostSheet> sheet_;
    std::optional<SSHHost> hostToDelete_;
};

} // namespace moorkeep
