#include "key_menu_items.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>

namespace moorkeep::KeyMenuItems {

QString label(const SSHKey& key) {
    return QStringLiteral("%1 \u2014 %2")
        .arg(QString::fromStdString(key.name), QString::fromStdString(key.type));
}

QString copyLabel(const SSHKey& key) {
    return QCoreApplication::translate("KeyMenuItems", "Copy Public Key: %1")
        .arg(QString::fromStdString(key.name));
}

QString copiedMessage(const SSHKey& key) {
    return QCoreApplication::translate("KeyMenuItems", "Public key of \u201c%1\u201d copied")
        .arg(QString::fromStdString(key.name));
}

void addTo(QMenu* menu, const std::vector<SSHKey>& keys,
           const std::function<QString(const SSHKey&)>& labelOf,
           const std::function<void(const SSHKey&)>& copied, const AgentState& agent) {
    bool any = false;
    for (const SSHKey& key : keys) {
        if (key.publicKey.empty())
            continue;
        any = true;
        // A "&" in a key's name is text, not a keyboard mnemonic.
        QString text = labelOf(key).replace(u'&', u"&&"_qs);
        const bool held = agent.holds(key);
        if (held)
            text += QCoreApplication::translate("KeyMenuItems", " \u00b7 in agent");
        QAction* item = menu->addAction(text);
        item->setObjectName(QStringLiteral("copyKeyAction"));
        item->setProperty("inAgent", held);
        item->setToolTip(QCoreApplication::translate("KeyMenuItems", "Copy the public key"));
        QObject::connect(item, &QAction::triggered, item, [key, copied] {
            QGuiApplication::clipboard()->setText(QString::fromStdString(key.publicKey));
            copied(key);
        });
    }
    if (!any) {
        QAction* none =
            menu->addAction(QCoreApplication::translate("KeyMenuItems", "No keys found"));
        none->setObjectName(QStringLiteral("noKeysAction"));
        none->setEnabled(false);
    }
}

} // namespace moorkeep::KeyMenuItems
