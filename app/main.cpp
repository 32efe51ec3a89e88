#include "moorkeep_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Moorkeep"));
    QApplication::setApplicationVersion(QStringLiteral(MOORKEEP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("moorkeep"));

    moorkeep::MoorkeepApp app;
    return application.exec();
}
