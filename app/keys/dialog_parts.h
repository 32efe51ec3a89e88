#pragma once

#include <QFuture>
#include <QLabel>
#include <QString>
#include <functional>
#include <optional>

class QBoxLayout;
class QDialog;
class QPushButton;
class QVBoxLayout;

// The pieces the key dialogs share: their title and field layout, hint and
// failure lines, the button row, and waiting for a callback's future.
namespace moorkeep::DialogParts {

// 22 of padding and 18 between sections.
QVBoxLayout* sheetLayout(QDialog* dialog, int width);
QLabel* title(const QString& text);
QLabel* pathLine(const QString& path);
// 14 between fields.
QVBoxLayout* fieldGroup();
// An upper-case caption with its control 5 below it, and an optional line
// under the control.
QWidget* field(const QString& caption, QWidget* control, QWidget* below = nullptr);
// 11-pixel text: secondary for hints, red for problems with the input.
QLabel* hint(const QString& text);
QLabel* problem(const QString& text);
// Cancel (Escape) then the action (Return), right-aligned.
QBoxLayout* buttonRow(QPushButton* cancel, QPushButton* action);
void setDestructive(QPushButton* button, bool destructive);

// Calls onFailure with the message of a failed future; an abandoned one
// (its model went away) fails without a message. Nothing on success.
void awaitFailure(const QFuture<void>& future, QObject* context,
                  std::function<void(std::optional<QString>)> onFailure);

// Calls onSuccess once the future has finished without failing.
void awaitSuccess(const QFuture<void>& future, QObject* context, std::function<void()> onSuccess);

} // namespace moorkeep::DialogParts

namespace moorkeep {

// A failure the dialog's callback reported, in red on a red tint, above the
// buttons; hidden while there is none.
class FailureBox : public QLabel {
    Q_OBJECT

public:
    explicit FailureBox(QWidget* parent = nullptr);

    void setMessage(const std::optional<QString>& message);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace moorkeep
