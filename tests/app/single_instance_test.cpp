#include "content_view.h"
#include "moorkeep_app.h"
#include "single_instance.h"
#include "support/app_test.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>

using namespace moorkeep;
using namespace moorkeep::test;

// Every launch here shares the test's temporary runtime folder.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void aSecondLaunchShowsTheRunningWindowAndEnds() {
        auto store = std::make_shared<FakeVaultStore>(sampleVault());
        SingleInstance instance;
        QVERIFY(instance.claim());
        MoorkeepApp app([store] { return store; });
        connect(&instance, &SingleInstance::activationRequested, &app,
                &MoorkeepApp::showMainWindow);
        app.mainWindow()->hide();

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"MOORKEEP_DEMO"_qs, u"1"_qs);
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(MOORKEEP_PATH), {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(app.mainWindow()->isVisible());
        store->releaseAll();
    }

    // A program that crashed leaves its socket behind; nobody answers there.
    void aLeftOverSocketDoesNotStopTheNextLaunch() {
        QFile leftOver(SingleInstance::defaultName());
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        leftOver.close();

        SingleInstance first;
        QSignalSpy asked(&first, &SingleInstance::activationRequested);
        QVERIFY(first.claim());
        SingleInstance second;
        QVERIFY(!second.claim());
        QTRY_COMPARE(asked.count(), 1);
    }
};

MOORKEEP_APP_TEST_MAIN(SingleInstanceTest)

#include "single_instance_test.moc"
