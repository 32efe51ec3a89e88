#pragma once

#include "model/ssh_key.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace moorkeep {

// Renames a key: its display name, trimmed, goes to onSave with the rest of
// the key unchanged.
class KeyDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int width = 420;

    KeyDialog(SSHKey keyInfo, std::function<void(const SSHKey&)> onSave,
              std::function<void()> onCancel, QWidget* parent = nullptr);

    // Closes the dialog for its owner.
    void dismiss();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::optional<std::string> trimmedName() const;
    void save();

    SSHKey keyInfo_;
    std::function<void(const SSHKey&)> onSave_;
    std::function<void()> onCancel_;
    QLineEdit* nameField_;
    QPushButton* saveButton_;
};

} // namespace moorkeep
