#pragma once

#include <QList>
#include <QString>
#include <string>

class QBoxLayout;
class QDialog;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The pieces every dialog of the window is built of, so they all look alike:
// the title, labelled fields, hint and problem lines, the button row.
namespace moorkeep::DialogKit {

// 22 of padding and 18 between sections; the dialog keeps this width.
QVBoxLayout* sheetLayout(QDialog* dialog, int width);
// The dialog's title in bold title-3 type.
QLabel* title(const QString& text, const QString& objectName);
// The file a dialog is about, in small monospaced type.
QLabel* pathLine(const QString& path);
// A key dialog's heading: its title over the key's file, 4 pixels apart.
QVBoxLayout* keyHeading(const QString& title, const std::string& path);
// A line edit with its object name, accessible name and placeholder.
QLineEdit* textField(const QString& objectName, const QString& accessibleName,
                     const QString& placeholder);
// A line edit's text as UTF-8.
std::string text(const QLineEdit* field);

// 14 between fields.
QVBoxLayout* fieldGroup();
// An upper-case caption over its input, 5 pixels apart; a required field's
// caption is followed by a red "*". Lines under the input (hints, problems)
// come last. An input without an accessible name is named after the caption.
QWidget* field(const QString& caption, QWidget* input, QList<QWidget*> below = {},
               bool required = false);
// Two fields side by side, 14 pixels apart, sharing the width equally.
QBoxLayout* pair(QWidget* first, QWidget* second);
// 11-pixel text in the secondary colour, wrapped.
QLabel* hint(const QString& text);
// What is wrong with the input, in caption type and red.
QLabel* problem(const QString& text);
// A problem line that is hidden until there is something to say.
QLabel* problemLine(const QString& objectName);
// The row every dialog ends with: Cancel (named "cancelButton") then the
// action, which Return presses, right-aligned and spacing apart.
QBoxLayout* buttonRow(QPushButton* cancel, QPushButton* action, int spacing = 8);
void setDestructive(QPushButton* button, bool destructive);
// The alert every message box of the window starts as: plain text,
// window-modal over parent (application-modal without one), deleted once
// closed.
QMessageBox* alert(const QString& objectName, const QString& title, QWidget* parent);

} // namespace moorkeep::DialogKit
