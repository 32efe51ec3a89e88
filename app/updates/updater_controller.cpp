#include "updater_controller.h"

#include "updates/update_dialog.h"
#include "updates/update_service.h"

#include <QAction>
#include <QDesktopServices>

namespace moorkeep {

UpdaterController::UpdaterController(UpdateSettings settings, OpenUrl openUrl, QObject* parent)
    : QObject(parent)
    , service_(new UpdateService(std::move(settings), this))
    , openUrl_(openUrl ? std::move(openUrl) : OpenUrl(&QDesktopServices::openUrl))
    , checkAction_(new QAction(tr("Check for Updates…"), this)) {
    checkAction_->setObjectName(QStringLiteral("checkForUpdatesAction"));
    checkAction_->setMenuRole(QAction::ApplicationSpecificRole);
    connect(checkAction_, &QAction::triggered, this, &UpdaterController::checkForUpdates);
    connect(service_, &UpdateService::finished, this, &UpdaterController::showResult);
}

// The dialog goes before the service whose results it shows.
UpdaterController::~UpdaterController() {
    dialog_.reset();
}

void UpdaterController::checkForUpdates() {
    if (!canCheckForUpdates_)
        return;
    setCanCheckForUpdates(false);
    if (!dialog_) {
        dialog_ = std::make_unique<UpdateDialog>();
        connect(dialog_.get(), &QDialog::rejected, this, &UpdaterController::dialogClosed);
        connect(dialog_.get(), &UpdateDialog::downloadRequested, this,
                [this](const QUrl& page) { openUrl_(page); });
    }
    dialog_->showChecking();
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    service_->check();
}

void UpdaterController::showResult(const UpdateCheckResult& result) {
    dialog_->showResult(result);
    setCanCheckForUpdates(true);
}

void UpdaterController::dialogClosed() {
    if (!service_->isChecking())
        return;
    service_->cancel();
    setCanCheckForUpdates(true);
}

void UpdaterController::setCanCheckForUpdates(bool canCheck) {
    if (canCheck == canCheckForUpdates_)
        return;
    canCheckForUpdates_ = canCheck;
    checkAction_->setEnabled(canCheck);
    emit canCheckForUpdatesChanged(canCheck);
}

} // namespace moorkeep
