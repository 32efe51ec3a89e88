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

// Writes over the characters in place, also when other strings share them.
// Text in the program's own read-only data is no secret and is left alone.
void overwriteShared(QString& text) {
    if (!text.isEmpty() && text.data_ptr().isMutable())
        overwrite(reinterpret_cast<char16_t*>(const_cast<QChar*>(text.constData())),
                  std::size_t(text.size()));
}

} // namespace

void wipeSecret(std::string& secret) {
    overwrite(secret.data(), secret.size());
    secret.clear();
}

// A copy still shared with another string (a field's own text, say) is that
// string's to wipe, not ours.
void wipeSecret(QString& secret) {
    if (secret.isDetached())
        overwriteShared(secret);
    secret.clear();
}

void wipeSecret(QByteArray& secret) {
    if (secret.isDetached() && secret.data_ptr().isMutable())
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

// Writes through the text's storage on purpose: the string text() returns
// shares the field's own, which is the copy to destroy.
void SecretField::wipe() {
    QString shared = text();
    overwriteShared(shared);
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
