#pragma once

#include <QList>
#include <QString>

class QBoxLayout;
class QLabel;
class QWidget;

// The pieces the host and defaults dialogs are built of, so both look alike.
namespace moorkeep::DialogForm {

// The dialog's title in bold title-3 type.
QLabel* title(const QString& text);
// A field's label line over its input, 5 pixels apart; a required field's
// label is followed by a red "*". Extra lines (problems) go under the input.
QWidget* field(const QString& label, QWidget* input, bool required = false,
               QList<QWidget*> below = {});
// A line that says what is wrong, in caption type and red; hidden until
// there is something to say.
QLabel* problemLine(const QString& objectName);
// Two fields side by side, 14 pixels apart, sharing the width equally.
QBoxLayout* pair(QWidget* first, QWidget* second);

} // namespace moorkeep::DialogForm
