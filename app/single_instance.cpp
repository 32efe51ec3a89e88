#include "single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace moorkeep {

namespace {

const QByteArray showRequest = QByteArrayLiteral("show\n");
constexpr int answerMilliseconds = 1000;

} // namespace

QString SingleInstance::defaultName() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(QStringLiteral(MOORKEEP_APP_ID ".instance"));
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , name_(std::move(name))
    , server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

bool SingleInstance::claim() {
    if (handOver())
        return false;
    // Nobody answered: what is left of the socket belongs to a program that
    // ended without cleaning up. A folder where no socket can live leaves
    // this program running alone.
    QLocalServer::removeServer(name_);
    server_->listen(name_);
    return true;
}

bool SingleInstance::handOver() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(answerMilliseconds))
        return false;
    socket.write(showRequest);
    socket.waitForBytesWritten(answerMilliseconds);
    socket.disconnectFromServer();
    return true;
}

// The request may be in already: the launch that sent it does not wait for
// this program to accept the connection before it ends.
void SingleInstance::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto read = [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == showRequest)
                emit activationRequested();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}

} // namespace moorkeep
