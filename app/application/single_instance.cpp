#include "single_instance.h"

#include "application/private_runtime_folder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace moorkeep {

namespace {

const QByteArray showRequest = QByteArrayLiteral("show\n");
const QByteArray shownAnswer = QByteArrayLiteral("shown\n");
constexpr int connectMilliseconds = 1000;
constexpr int answerMilliseconds = 2000;
// What a client may send, and for how long, before it is let go.
constexpr qint64 requestLimit = 256;
constexpr int requestMilliseconds = 2000;

} // namespace

QString SingleInstance::defaultName() {
    const QString folder = PrivateRuntimeFolder::path();
    return folder.isEmpty() ? QString()
                            : QDir(folder).filePath(QStringLiteral(MOORKEEP_APP_ID ".instance"));
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , name_(std::move(name))
    , server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

bool SingleInstance::claim() {
    // Without a private folder every launch runs alone.
    if (name_.isEmpty())
        return true;
    if (handOver())
        return false;
    // Nobody answered in time: what is left of the socket belongs to a
    // program that ended without cleaning up, or to one that is stopped or
    // hung; this one takes its place. A folder where no socket can live
    // leaves this program running alone. The name is a full path, which Qt
    // takes as it is.
    QLocalServer::removeServer(name_);
    server_->listen(name_);
    return true;
}

bool SingleInstance::handOver() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(connectMilliseconds))
        return false;
    socket.write(showRequest);
    const QDeadlineTimer deadline(answerMilliseconds);
    while (!socket.canReadLine() && socket.bytesAvailable() < requestLimit &&
           socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    return socket.canReadLine() && socket.readLine(requestLimit) == shownAnswer;
}

// The request may be in already when the connection is accepted. A client
// gets one short line and a little time; what it sends beyond that stays
// unread, and it is let go.
void SingleInstance::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setReadBufferSize(requestLimit);
        auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        auto read = [this, socket, drop] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() >= requestLimit)
                    drop();
                return;
            }
            if (socket->readLine(requestLimit) == showRequest) {
                emit activationRequested();
                socket->write(shownAnswer);
            }
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, read);
        QTimer::singleShot(requestMilliseconds, socket, drop);
        read();
    }
}

} // namespace moorkeep
