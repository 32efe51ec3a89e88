// Quitting while a store call waits on a key tool: the model ends the tool
// instead of waiting it out, and nothing of the unfinished call is left.
#include "app_model.h"
#include "stores/system_vault_store.h"
#include "support/app_test_main.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <sys/stat.h>

using namespace moorkeep;
using namespace moorkeep::test;

class ModelQuitTest : public QObject {
    Q_OBJECT

private slots:
    void quittingEndsARunningKeyTool() {
        TempDir tools;
        const std::string started = tools.file("started");
        // Says it has started, then hangs far past the tool's time limit.
        const std::string tool = tools.file("hanging-ssh-keygen");
        writeFile(tool, "#!/bin/sh\n: > '" + started + "'\nexec sleep 600\n");
        QCOMPARE(::chmod(tool.c_str(), 0700), 0);
        const QString ssh = QDir::homePath() + u"/.ssh"_qs;
        QVERIFY(QDir().mkpath(ssh));

        SystemVaultStore::Options options;
        options.homedir = QDir::homePath().toStdString();
        options.keyToolPath = tool;
        auto model = std::make_unique<AppModel>(std::make_shared<SystemVaultStore>(options));
        const QFuture<void> generation =
            model->generateKey({"work", "ed25519", std::nullopt, std::nullopt}, std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QString::fromStdString(started)), 10000);

        QElapsedTimer quitting;
        quitting.start();
        model.reset();
        QVERIFY2(quitting.elapsed() < 5000,
                 qPrintable(u"quitting took %1 ms"_qs.arg(quitting.elapsed())));
        QVERIFY(generation.isCanceled());
        QCOMPARE(QDir(ssh).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

MOORKEEP_APP_TEST_MAIN(ModelQuitTest)
#include "model_quit_test.moc"
