#pragma once

#include "updates/update_settings.h"

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

class QAction;

namespace moorkeep {

class UpdateDialog;
class UpdateService;
struct UpdateCheckResult;

// The application's update service as the menus see it: whether a check may
// start now, the "Check for Updates…" command that follows that flag (placed
// in the tray menu and in the Help menu), and the dialog that shows how a
// check went. Checks happen only when the user asks for one.
class UpdaterController : public QObject {
    Q_OBJECT

public:
    using OpenUrl = std::function<bool(const QUrl&)>;

    // openUrl opens the download page; the desktop's browser by default.
    explicit UpdaterController(UpdateSettings settings = UpdateSettings::fromBuild(),
                               OpenUrl openUrl = {}, QObject* parent = nullptr);
    ~UpdaterController() override;

    bool canCheckForUpdates() const { return canCheckForUpdates_; }
    QAction* checkAction() const { return checkAction_; }
    // The dialog of the last check, or none before the first.
    UpdateDialog* dialog() const { return dialog_.get(); }

    // Opens the dialog and starts a check, unless one is running. Closing the
    // dialog while it checks cancels the check.
    void checkForUpdates();

signals:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void setCanCheckForUpdates(bool canCheck);
    void showResult(const UpdateCheckResult& result);
    void dialogClosed();

    UpdateService* service_;
    OpenUrl openUrl_;
    QAction* checkAction_;
    std::unique_ptr<UpdateDialog> dialog_;
    bool canCheckForUpdates_ = true;
};

} // namespace moorkeep
