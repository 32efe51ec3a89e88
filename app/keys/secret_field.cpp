#include "keys/secret_field.h"

#include <QByteArray>
#include <QKeyEvent>
#include <QString>

namespace moorkeep {

namespace {

// Writes over the whole buffer in place, also when other strings share it.
// Text in the program's own read-only data is no secret and is left alone.
void overwriteShared(QString& text) {
    if (!text.isEmpty() && text.data_ptr().isMutable())
        wipeBytes(const_cast<QChar*>(text.constData()),
                  std::size_t(text.capacity()) * sizeof(QChar));
}

} // namespace

// A copy still shared with another string (a field's own text, say) is that
// string's to wipe, not ours.
void wipeSecret(QString& secret) {
    if (secret.isDetached())
        overwriteShared(secret);
    secret.clear();
}

void wipeSecret(QByteArray& secret) {
    if (secret.isDetached() && secret.data_ptr().isMutable())
        wipeBytes(const_cast<char*>(secret.constData()), std::size_t(secret.capacity()));
    secret.clear();
}

bool sameSecret(const QString& typed, const QString& confirmed) {
    QString first = typed.normalized(QString::NormalizationForm_C);
    QString second = confirmed.normalized(QString::NormalizationForm_C);
    const bool same = first == second;
    wipeSecret(first);
    wipeSecret(second);
    return same;
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
