#include "tray_icon.h"

#include "tray/tray_icon_image.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace moorkeep::TrayIcon {

QSystemTrayIcon* create(AppModel& model, TrayMenu::Actions actions, QObject* parent) {
    auto* icon = new QSystemTrayIcon(TrayIconImage::forDesktop(), parent);
    icon->setObjectName(QStringLiteral("trayIcon"));
    icon->setToolTip(QStringLiteral("Moorkeep"));
    auto* menu = new TrayMenu(model, std::move(actions));
    QObject::connect(icon, &QObject::destroyed, menu, [menu] { delete menu; });
    icon->setContextMenu(menu);
    QObject::connect(icon, &QSystemTrayIcon::activated, menu,
                     [menu](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             menu->popup(QCursor::pos());
                     });
    icon->show();
    return icon;
}

} // namespace moorkeep::TrayIcon
