#include "app_identity.h"
#include "moorkeep_app.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // Nothing reaches the user's terminal: what goes wrong is shown in the
    // window, and Qt's own diagnostics are of no use to the user there.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (auto answer = moorkeep::AppIdentity::commandLineAnswer(arguments)) {
        std::fputs(answer->toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    moorkeep::AppIdentity::apply();

    moorkeep::MoorkeepApp app;
    return application.exec();
}
