#include "shortcuts.h"

namespace moorkeep::Shortcuts {

QKeySequence showHosts() {
    return QKeySequence(Qt::CTRL | Qt::Key_1);
}

QKeySequence showKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_2);
}

// As Linux desktops' file managers have it.
QKeySequence toggleSidebar() {
    return QKeySequence(Qt::Key_F9);
}

// The Hosts and Keys tabs share bindings for the same kind of act; only the
// shown tab's actions are enabled, so the keys never clash.
QKeySequence find() {
    return QKeySequence(Qt::CTRL | Qt::Key_F);
}

QKeySequence add() {
    return QKeySequence(Qt::CTRL | Qt::Key_N);
}

QKeySequence edit() {
    return QKeySequence(Qt::CTRL | Qt::Key_E);
}

QKeySequence duplicate() {
    return QKeySequence(Qt::CTRL | Qt::Key_D);
}

QKeySequence undo() {
    return QKeySequence(Qt::CTRL | Qt::Key_Z);
}

QKeySequence redo() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

QKeySequence remove() {
    return QKeySequence(Qt::Key_Delete);
}

QKeySequence copy() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
}

QKeySequence defaults() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D);
}

QKeySequence groupByFile() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G);
}

QKeySequence rename() {
    return QKeySequence(Qt::Key_F2);
}

QKeySequence passphrase() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P);
}

QKeySequence copyFingerprint() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
}

QKeySequence rescan() {
    return QKeySequence(Qt::Key_F5);
}

QKeySequence connectToHost() {
    return QKeySequence(Qt::CTRL | Qt::Key_Return);
}

QKeySequence preferences() {
    return QKeySequence(Qt::CTRL | Qt::Key_Comma);
}

QString tip(const QString& text, const QKeySequence& keys) {
    return QStringLiteral("%1 (%2)").arg(text, keys.toString(QKeySequence::NativeText));
}

} // namespace moorkeep::Shortcuts
