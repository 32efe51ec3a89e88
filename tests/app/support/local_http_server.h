#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtCore>
#include <utility>

namespace moorkeep::test {

// A small HTTP server on 127.0.0.1 for update checks: answers every request
// with the response set, or holds it unanswered until answerHeld().
class LocalHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body{};
        QByteArray headers{};       // more header lines, each ending in CRLF
        bool announceLength = true; // else the body ends when the connection does
        bool hold = false;          // keep the request waiting
    };

    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { requestRead(socket); });
        });
    }

    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.json").arg(server_.serverPort()));
    }
    void setResponse(Response response) { response_ = std::move(response); }
    int requestCount() const { return requests_; }
    int heldCount() const { return int(held_.size()); }

    void answerHeld() {
        for (const QPointer<QTcpSocket>& socket : std::exchange(held_, {}))
            if (socket)
                answer(socket);
    }

private:
    void requestRead(QTcpSocket* socket) {
        QByteArray& request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        pending_.remove(socket);
        ++requests_;
        if (response_.hold)
            held_.append(socket);
        else
            answer(socket);
    }

    void answer(QTcpSocket* socket) {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response_.status) + ' ' +
                          response_.reason + "\r\nContent-Type: application/json\r\n" +
                          "Connection: close\r\n" + response_.headers;
        if (response_.announceLength)
            head += "Content-Length: " + QByteArray::number(response_.body.size()) + "\r\n";
        socket->write(head + "\r\n" + response_.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    Response response_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<QPointer<QTcpSocket>> held_;
    int requests_ = 0;
};

using Response = LocalHttpServer::Response;

} // namespace moorkeep::test
