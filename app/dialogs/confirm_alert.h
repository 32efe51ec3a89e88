#pragma once

#include <QString>
#include <array>
#include <functional>

class QMessageBox;
class QWidget;

namespace moorkeep {

// The warning asked before something that cannot be undone.
struct ConfirmAlert {
    QString objectName{};
    QString windowTitle{};
    QString question{};
    QString consequence{}; // under the question
    QString action{};      // the button's text
    QString actionObjectName{};
    QString cancelObjectName{};
    bool redAction = false;

    // "Delete "name"?", with a Delete button; the names are the alert's,
    // its Delete button's and its Cancel button's.
    static ConfirmAlert deleting(const QString& name, const QString& consequence,
                                 const std::array<QString, 3>& objectNames);

    // Opens the alert window-modal over parent, with Cancel as the default
    // and Escape button. onFinished learns whether the action was chosen, once
    // the alert is closed; it deletes itself then.
    QMessageBox* open(QWidget* parent, std::function<void(bool confirmed)> onFinished) const;
};

} // namespace moorkeep
