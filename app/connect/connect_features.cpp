#include "connect/connect_features.h"

#include "connect/connect_menu.h"
#include "connect/host_shortlist.h"
#include "connect/preferences_dialog.h"
#include "connect/terminal_launcher.h"
#include "connect/window_connect_actions.h"
#include "model/app_model.h"
#include "window/shortcuts.h"

#include <QAction>
#include <QPointer>

namespace moorkeep {

ConnectFeatures::ConnectFeatures(AppModel& model, std::function<QWidget*()> window, QObject* parent)
    : QObject(parent)
    , model_(model)
    , window_(std::move(window))
    , shortlist_(new HostShortlist(this))
    , launcher_(new TerminalLauncher(model, *shortlist_, this))
    , preferences_(new QAction(tr("&Preferences…"), this))
    , trayMenu_(new ConnectMenu(model, *shortlist_, [this](const SSHHost& host) {
        launcher_->connectTo(host, window_());
    })) {
    preferences_->setObjectName(QStringLiteral("preferencesAction"));
    preferences_->setShortcut(Shortcuts::preferences());
    preferences_->setMenuRole(QAction::PreferencesRole);
    connect(preferences_, &QAction::triggered, this, &ConnectFeatures::editPreferences);
}

// The tray menu has no parent widget to take it along.
ConnectFeatures::~ConnectFeatures() {
    delete trayMenu_;
}

QMenu* ConnectFeatures::trayMenu() const {
    return trayMenu_;
}

void ConnectFeatures::attach(ContentView& window) {
    new WindowConnectActions(model_, window, *shortlist_, *launcher_);
}

// The dialog opens with the preference as the store holds it now.
void ConnectFeatures::editPreferences() {
    QPointer<QWidget> window = window_();
    model_.preferredTerminal().then(this, [this, window](std::optional<std::string> current) {
        auto* dialog = new PreferencesDialog(
            current,
            [this](std::optional<std::string> chosen) {
                model_.setPreferredTerminal(std::move(chosen));
            },
            window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
        dialog->open();
    });
}

} // namespace moorkeep
