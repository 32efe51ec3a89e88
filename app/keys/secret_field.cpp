#include "keys/secret_field.h"

#include <QByteArray>
#include <QKeyEvent>
#include <QString>

namespace moorkeep {

namespace {

template <typename T> void overwrite(T* data, std::size_t count) {
    volatile T* target = data;
    for (std::size_t i = 0; i < count; ++i)
        target[i] = T();
}

} // namespace

void wipeSecret(std::string& secret) {
    overwrite(secret.data(), secret.size());
    secret.clear();
}

// Writes through the shared buffer on purpose: a QString taken from a field
// shares the field's own storage, which is the copy to destroy.
void wipeSecret(QString& secret) {
    if (!secret.isEmpty())
        overwrite(const_cast<ushort*>(secret.utf16()), std::size_t(secret.size()));
    secret.clear();
}

void wipeSecret(QByteArray& secret) {
    if (!secret.isEmpty())
        overwrite(const_cast<char*>(secret.constData()), std::size_t(secret.size()));
    secret.clear();
}

SecretField::SecretField(QWidget* parent)
    : QLineEdit(parent) {
    setEchoMode(QLineEdit::Password);
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase);
}

// Quietly: the dialog that listens may already be half destroyed.
SecretField::~SecretField() {
    blockSignals(true);
    wipe();
}

std::string SecretField::secretUtf8() const {
    QString shared = text();
    QByteArray utf8 = shared.toUtf8();
    std::string secret(utf8.constData(), std::size_t(utf8.size()));
    wipeSecret(utf8);
    return secret;
}

void SecretField::wipe() {
    QString shared = text();
    wipeSecret(shared);
    // Setting a text also drops the undo history.
    setText(QString());
}

void SecretField::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace moorkeep
