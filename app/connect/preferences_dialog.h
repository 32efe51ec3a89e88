#pragma once

#include "dialogs/sheet_dialog.h"

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace moorkeep {

// Moorkeep's preferences: the terminal that Connect and key installs open,
// as a command line. Shows as the user types which terminal will be used,
// and refuses a command line that leaves a quote open. Hands an empty field
// as nothing: the automatic choice.
class PreferencesDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 520;

    PreferencesDialog(const std::optional<std::string>& preferredTerminal,
                      std::function<void(std::optional<std::string>)> onSave,
                      QWidget* parent = nullptr);

private:
    void updatePreview();
    void save();

    std::function<void(std::optional<std::string>)> onSave_;
    QLineEdit* terminalField_;
    QLabel* preview_;
    QLabel* problem_;
    QPushButton* saveButton_;
};

} // namespace moorkeep
