#include "support/app_test.h"
#include "tray/tray_menu.h"
#include "window/key_menu_items.h"
#include "window/keys_menu.h"

namespace {

// The main window's Keys menu and the tray menu over one model.
struct MenusHarness : AppHarness {
    explicit MenusHarness(std::vector<SSHKey> keys) {
        VaultData data = sampleVault();
        data.keys = std::move(keys);
        store->setData(data);
        QFuture<void> loaded = model->load();
        if (!QTest::qWaitFor([&] { return loaded.isFinished(); }))
            qFatal("the model did not load");
    }

    // The key entries of a menu: what lies between the tray menu's first two
    // separators, or the whole Keys menu.
    static QList<QAction*> keyItems(QMenu& menu) {
        QList<QAction*> items = menu.actions();
        if (menu.objectName() != u"trayMenu")
            return items;
        QList<QAction*> between;
        int separators = 0;
        for (QAction* item : items) {
            if (item->isSeparator())
                ++separators;
            else if (separators == 1)
                between.append(item);
        }
        return between;
    }

    QList<QList<QAction*>> bothMenus() { return {keyItems(keysMenu), keyItems(trayMenu)}; }

    QAction check{u"Check for Updates…"_qs};
    QAction quit{u"Quit Moorkeep"_qs};
    int windowsOpened = 0;
    KeysMenu keysMenu{*model};
    TrayMenu trayMenu{*model, {[this] { ++windowsOpened; }, &check, &quit}};
};

SSHKey withoutPublicKey(SSHKey key) {
    key.publicKey.clear();
    return key;
}

QStringList texts(const QList<QAction*>& items) {
    QStringList result;
    for (QAction* item : items)
        result.append(item->text());
    return result;
}

} // namespace

// The key entries the Keys menu and the tray menu share.
class KeyMenuItemsTest : public QObject {
    Q_OBJECT

private slots:
    void oneEntryPerKeyWithAPublicKeyCopiesExactlyThatKey() {
        SSHKey rsa = sampleKey("id_rsa", "Build & Deploy");
        rsa.type = "rsa";
        MenusHarness h(
            {sampleKey("id_ed25519", "Laptop"), withoutPublicKey(sampleKey("id_old", "Old")), rsa});

        QSignalSpy told(h.model.get(), &AppModel::notified);
        QCOMPARE(
            texts(h.keyItems(h.trayMenu)),
            (QStringList{u"Copy Public Key: Laptop"_qs, u"Copy Public Key: Build && Deploy"_qs}));
        for (const QList<QAction*>& items : h.bothMenus()) {
            if (items == h.keyItems(h.keysMenu))
                QCOMPARE(texts(items), (QStringList{u"Laptop \u2014 ed25519"_qs,
                                                    u"Build && Deploy \u2014 rsa"_qs}));
            QVERIFY(items[0]->isEnabled() && items[1]->isEnabled());

            QGuiApplication::clipboard()->setText(u"something copied before"_qs);
            items[1]->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh-ed25519 AAAA id_rsa"_qs);
            items[0]->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh-ed25519 AAAA id_ed25519"_qs);
        }
        // Each copy says so.
        QCOMPARE(told.size(), 4);
        QCOMPARE(told[0][0].toString(), u"Public key of \u201cBuild & Deploy\u201d copied"_qs);
        QCOMPARE(told[3][0].toString(), u"Public key of \u201cLaptop\u201d copied"_qs);
        QCOMPARE(KeyMenuItems::label(rsa), u"Build & Deploy \u2014 rsa"_qs);
    }

    // Heading, keys, window, updates, quit; when the keys change both menus
    // follow, and the update entry keeps its place and follows the shared
    // one's state. The tray shows no window shortcut. Without a key that has
    // a public key both say so.
    void trayMenuInThatOrderFollowsTheKeys() {
        MenusHarness h(sampleVault().keys);
        auto layout = [&] {
            QStringList shown;
            for (QAction* item : h.trayMenu.actions())
                shown.append(item->isSeparator() ? u"--"_qs : item->text());
            return shown;
        };
        QCOMPARE(layout(), (QStringList{u"Moorkeep"_qs, u"--"_qs, u"Copy Public Key: Laptop"_qs,
                                        u"Copy Public Key: Work"_qs, u"--"_qs, u"Show Window"_qs,
                                        u"Check for Updates…"_qs, u"--"_qs, u"Quit Moorkeep"_qs}));
        QVERIFY(!h.trayMenu.actions().first()->isEnabled());
        h.quit.setShortcut(QKeySequence::Quit);
        QSignalSpy quitting(&h.quit, &QAction::triggered);
        for (QAction* item : h.trayMenu.actions())
            QVERIFY(item->shortcut().isEmpty());
        h.trayMenu.actions()[8]->trigger();
        QCOMPARE(quitting.size(), 1);

        h.check.setEnabled(false);
        VaultData data = sampleVault();
        data.keys = {sampleKey("id_work", "Work"), sampleKey("id_new", "New")};
        h.store->setData(data);
        QFuture<void> refreshed = h.model->refreshKeys();
        QTRY_VERIFY(refreshed.isFinished());
        QCOMPARE(texts(h.keyItems(h.keysMenu)),
                 (QStringList{u"Work \u2014 ed25519"_qs, u"New \u2014 ed25519"_qs}));
        QCOMPARE(texts(h.keyItems(h.trayMenu)),
                 (QStringList{u"Copy Public Key: Work"_qs, u"Copy Public Key: New"_qs}));
        QCOMPARE(h.trayMenu.actions()[6]->text(), h.check.text());
        QVERIFY(!h.trayMenu.actions()[6]->isEnabled());
        h.trayMenu.findChild<QAction*>(u"showWindowAction"_qs)->trigger();
        QCOMPARE(h.windowsOpened, 1);

        for (const auto& keys : {std::vector<SSHKey>{},
                                 {withoutPublicKey(sampleKey("id_rsa", "Old")),
                                  withoutPublicKey(sampleKey("id_ed25519", "Laptop"))}}) {
            data.keys = keys;
            h.store->setData(data);
            refreshed = h.model->refreshKeys();
            QTRY_VERIFY(refreshed.isFinished());
            for (const QList<QAction*>& items : h.bothMenus()) {
                QCOMPARE(texts(items), QStringList{u"No keys found"_qs});
                QVERIFY(!items.first()->isEnabled());
            }
        }
    }
};

MOORKEEP_APP_TEST(KeyMenuItemsTest);

#include "key_menu_items_test.moc"
