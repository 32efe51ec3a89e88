#pragma once

#include <QByteArray>
#include <QException>
#include <QString>

namespace moorkeep {

// A failed store operation as it travels through a QFuture back to the
// user-interface thread. message() is the text the user sees.
class StoreError : public QException {
public:
    explicit StoreError(QString message);

    const QString& message() const { return message_; }
    const char* what() const noexcept override;

    void raise() const override;
    StoreError* clone() const override;

private:
    QString message_;
    QByteArray utf8_;
};

} // namespace moorkeep
