#include "application/app_identity.h"
#include "application/moorkeep_app.h"
#include "application/single_instance.h"
#include "files/interrupt_cleanup.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // Nothing reaches the user's terminal: what goes wrong is shown in the
    // window, and Qt's own diagnostics are of no use to the user there.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // A window ended by a signal mid-change leaves no key copy, askpass
    // folder or child behind.
    moorkeep::InterruptCleanup::install();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (auto answer = moorkeep::AppIdentity::commandLineAnswer(arguments)) {
        std::fputs(answer->toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    moorkeep::AppIdentity::apply();

    // A second launch brings the running program's window forward instead.
    moorkeep::SingleInstance instance;
    if (!instance.claim())
        return 0;

    moorkeep::MoorkeepApp app;
    QObject::connect(&instance, &moorkeep::SingleInstance::activationRequested, &app,
                     &moorkeep::MoorkeepApp::showMainWindow);
    return application.exec();
}
