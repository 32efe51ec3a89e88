#pragma once

#include "model/secret_wipe.h"

#include <QLineEdit>
#include <string>

class QByteArray;
class QString;

namespace moorkeep {

// A masked field for a passphrase. Its text never reaches the clipboard (no
// copy, cut, drag or context menu), and wipe() writes over it before the
// field is emptied.
class SecretField : public QLineEdit {
    Q_OBJECT

public:
    explicit SecretField(QWidget* parent = nullptr);
    ~SecretField() override;

    // The text as UTF-8 for a request; the caller wipes the copy after use.
    std::string secretUtf8() const;
    // Overwrites the text in place, then empties the field and its history.
    void wipe();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Whether the passphrase and its confirmation are the same: canonically
// equivalent entries (an accent typed as one character or as a letter and a
// combining mark) count as one.
bool sameSecret(const QString& typed, const QString& confirmed);

// Wipe a Qt string's buffer as wipeSecret wipes a std::string's, then
// empty it.
void wipeSecret(QString& secret);
void wipeSecret(QByteArray& secret);

} // namespace moorkeep
