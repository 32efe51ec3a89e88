#include "moorkeep_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Nothing reaches the user's terminal: what goes wrong is shown in the
    // window, and Qt's own diagnostics are of no use to the user there.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Moorkeep"));
    QApplication::setApplicationVersion(QStringLiteral(MOORKEEP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("moorkeep"));

    moorkeep::MoorkeepApp app;
    return application.exec();
}
