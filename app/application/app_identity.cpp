#include "app_identity.h"

#include <QApplication>
#include <QCommandLineParser>

namespace moorkeep::AppIdentity {

namespace {

const QString appId = QStringLiteral(MOORKEEP_APP_ID);

constexpr auto help = R"(Usage: moorkeep [options]

Shows and edits your OpenSSH hosts, defaults and keys in a window.

Options:
  -h, --help     show this help and exit
  -v, --version  print the version and exit

Qt's own options, such as -platform NAME, are accepted too.

Environment:
  MOORKEEP_DEMO=1  open on sample hosts and keys held in memory; nothing on
                   disk is read or changed
)";

} // namespace

std::optional<QString> commandLineAnswer(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform, -style): read as
    // long options they stay unknown here instead of spelling out -h or -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("show this help"));
    QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("print the version"));
    parser.addOptions({helpOption, versionOption});
    // Unknown options are not an error here: QApplication reads its own.
    parser.parse(arguments);
    if (parser.isSet(versionOption))
        return QStringLiteral("moorkeep " MOORKEEP_VERSION "\n");
    if (parser.isSet(helpOption))
        return QString::fromUtf8(help);
    return std::nullopt;
}

QIcon icon() {
    QIcon builtIn;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        builtIn.addFile(QStringLiteral(":/app-icon/%1/%2.png").arg(size).arg(appId),
                        QSize(size, size));
    return QIcon::fromTheme(appId, builtIn);
}

void apply() {
    QApplication::setApplicationName(QStringLiteral("Moorkeep"));
    QApplication::setApplicationVersion(QStringLiteral(MOORKEEP_VERSION));
    QApplication::setDesktopFileName(appId);
    QApplication::setWindowIcon(icon());
}

} // namespace moorkeep::AppIdentity
