#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace moorkeep {

// One running program per user: the first launch listens on a socket in a
// private runtime folder; a later launch asks it to show its window and
// steps aside once it says it did.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // The socket in the private runtime folder, named after the application,
    // so each user and each runtime folder has its own; empty when there is
    // no private folder for it.
    static QString defaultName();

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);

    // True when this process is to run: it listens from now on (when it has
    // a socket name). False when a running program showed its window.
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
