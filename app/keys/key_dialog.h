#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/ssh_key.h"

#include <functional>

class QLineEdit;
class QPushButton;

namespace moorkeep {

// Renames a key: its display name, trimmed, goes to onSave with the rest of
// the key unchanged.
class KeyDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 420;

    KeyDialog(SSHKey keyInfo, std::function<void(const SSHKey&)> onSave,
              std::function<void()> onCancel, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::optional<std::string> trimmedName() const;
    void save();

    SSHKey keyInfo_;
    std::function<void(const SSHKey&)> onSave_;
    QLineEdit* nameField_;
    QPushButton* saveButton_;
};

} // namespace moorkeep
