#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/key_requests.h"
#include "model/ssh_key.h"

#include <QFuture>
#include <functional>
#include <optional>

class QLabel;
class QMessageBox;
class QPushButton;

namespace moorkeep {

class FailureBox;
class SecretField;

// Sets, changes or removes a key's passphrase. A protected key asks for its
// current passphrase; leaving the new one empty offers to remove it, which
// takes the button and a confirmation: Return only moves between the fields,
// and sets or changes a passphrase once it was typed twice alike. Stays open
// and busy until its owner closes it; a failure of onSave's future is shown
// here. Every passphrase typed is wiped when the dialog closes.
class PassphraseDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 460;

    using OnSave = std::function<QFuture<void>(const ChangePassphraseOptions& options)>;

    PassphraseDialog(SSHKey keyInfo, OnSave onSave, std::function<void()> onCancel,
                     QWidget* parent = nullptr);
    ~PassphraseDialog() override;

    bool isSaving() const { return saving_; }
    bool isRemoving() const;
    bool isMismatch() const;
    // The confirmation asked before a passphrase is removed, while it shows.
    QMessageBox* removeAlert() const { return removeAlert_; }
    void dismiss() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Return in the last field saves, except a removal, which only the
    // button starts.
    void submit() override;
    bool isBusy() const override { return saving_; }

private:
    bool isProtected() const;
    bool entriesAgree() const;
    void update();
    void confirmRemoval();
    void save();
    void failed(const std::optional<QString>& message);
    void wipe();

    SSHKey keyInfo_;
    OnSave onSave_;
    bool saving_ = false;

    SecretField* currentField_ = nullptr;
    SecretField* newField_;
    SecretField* confirmField_;
    QLabel* mismatch_;
    FailureBox* failure_;
    QPushButton* cancelButton_;
    QPushButton* saveButton_;
    QMessageBox* removeAlert_ = nullptr;
};

} // namespace moorkeep
