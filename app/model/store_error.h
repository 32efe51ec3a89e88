#pragma once

#include "openssh/ignored_change.h"

#include <QByteArray>
#include <QException>
#include <QString>
#include <optional>

namespace moorkeep {

// A failed store operation as it travels through a QFuture back to the
// user-interface thread. message() is the text the user sees.
class StoreError : public QException {
public:
    explicit StoreError(QString message,
                        std::optional<IgnoredChange::Winner> ignored = std::nullopt);

    const QString& message() const { return message_; }
    // For a change OpenSSH would not use: the block that wins.
    const std::optional<IgnoredChange::Winner>& ignored() const { return ignored_; }
    const char* what() const noexcept override;

    void raise() const override;
    StoreError* clone() const override;

private:
    QString message_;
    QByteArray utf8_;
    std::optional<IgnoredChange::Winner> ignored_;
};

} // namespace moorkeep
