#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace moorkeep {

// One running program per user: the first launch listens on a socket in the
// user's runtime folder; a later launch asks it to show its window and
// steps aside.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // The socket in the runtime folder (XDG_RUNTIME_DIR), named after the
    // application, so each user and each runtime folder has its own.
    static QString defaultName();

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);

    // True when this process is to run: it listens from now on. False when a
    // running program took the request to show itself.
    bool claim();

signals:
    // A later launch asked for the window.
    void activationRequested();

private:
    bool handOver();
    void accept();

    QString name_;
    QLocalServer* server_;
};

} // namespace moorkeep
