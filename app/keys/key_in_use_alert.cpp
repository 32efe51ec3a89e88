#include "keys/key_in_use_alert.h"

#include "dialogs/dialog_kit.h"

#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QStringList>

namespace moorkeep::KeyInUseAlert {

QMessageBox* open(const SSHKey& key, const std::vector<SSHHost>& hosts, QWidget* parent,
                  std::function<void()> showHosts) {
    const QString name = QString::fromStdString(key.name);
    QStringList aliases;
    for (const SSHHost& host : hosts)
        aliases << QString::fromStdString(host.alias);
    QMessageBox* alert =
        DialogKit::alert(QStringLiteral("keyInUseAlert"), QObject::tr("Key in Use"), parent);
    alert->setIcon(QMessageBox::Information);
    alert->setText(QObject::tr("\u201c%1\u201d cannot be deleted while hosts use it.").arg(name));
    alert->setInformativeText(
        (hosts.size() == 1 ? QObject::tr("It is the key of 1 host: %1.").arg(aliases.front())
                           : QObject::tr("It is the key of %1 hosts: %2.")
                                 .arg(hosts.size())
                                 .arg(aliases.join(QStringLiteral(", ")))) +
        QObject::tr(" Give them another key first, then delete it."));
    QPushButton* show = alert->addButton(QObject::tr("&Show Hosts"), QMessageBox::AcceptRole);
    show->setObjectName(QStringLiteral("showHostsButton"));
    QPushButton* close = alert->addButton(QObject::tr("&Close"), QMessageBox::RejectRole);
    close->setObjectName(QStringLiteral("closeAlertButton"));
    alert->setDefaultButton(show);
    alert->setEscapeButton(close);
    QObject::connect(alert, &QMessageBox::finished, alert,
                     [alert, show, showHosts = std::move(showHosts)] {
                         // Gone from the window at once, as every answered alert.
                         alert->setParent(nullptr);
                         if (alert->clickedButton() == show)
                             showHosts();
                     });
    alert->open();
    return alert;
}

} // namespace moorkeep::KeyInUseAlert
