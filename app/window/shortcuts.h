#pragma once

#include <QKeySequence>
#include <QString>

// The window's key bindings in one place, for the menus, the screens'
// actions and the tooltips of the buttons that do the same.
namespace moorkeep::Shortcuts {

QKeySequence showHosts();
QKeySequence showKeys();
QKeySequence toggleSidebar();
QKeySequence find();
QKeySequence add();
QKeySequence edit();
QKeySequence duplicate();
QKeySequence remove();
QKeySequence copy();
QKeySequence defaults();
QKeySequence groupByFile();
QKeySequence rename();
QKeySequence passphrase();
QKeySequence copyFingerprint();
QKeySequence rescan();
QKeySequence connectToHost();
QKeySequence preferences();
QKeySequence undo();
QKeySequence redo();

// "Edit host (Ctrl+E)": a tooltip that names the keys.
QString tip(const QString& text, const QKeySequence& keys);

} // namespace moorkeep::Shortcuts
