#include "application/app_identity.h"
#include "support/app_test.h"

// The name and icon the desktop knows the program by.
class AppIdentityTest : public QObject {
    Q_OBJECT

private slots:
    // The name docks match the window to is the installed desktop entry's.
    // Without a theme icon of that name the built-in renderings are used,
    // from the smallest size to the largest.
    void desktopEntryNameAndBuiltInIcon() {
        AppIdentity::apply();
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QFileInfo(QStringLiteral(MOORKEEP_DESKTOP_ENTRY)).completeBaseName());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Moorkeep"));
        QIcon::setThemeSearchPaths({});
        QIcon icon = AppIdentity::icon();
        auto sizes = icon.availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(512, 512)));
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
    }
};

MOORKEEP_APP_TEST(AppIdentityTest);

#include "app_identity_test.moc"
