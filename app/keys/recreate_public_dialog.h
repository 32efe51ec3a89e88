#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/key_requests.h"
#include "model/ssh_key.h"

#include <QFuture>
#include <functional>

class QPushButton;

namespace moorkeep {

class FailureBox;
class SecretField;

// Asks for the passphrase a protected key needs before ssh-keygen can
// re-create its missing public file, and hands the request to onRecreate.
// Stays open and busy until its owner closes it; a failure of onRecreate's
// future is shown here and the field is cleared for another try. The
// passphrase is wiped when the dialog closes.
class RecreatePublicDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 440;

    using OnRecreate = std::function<QFuture<void>(const RecreatePublicKeyOptions& options)>;

    RecreatePublicDialog(SSHKey keyInfo, OnRecreate onRecreate, std::function<void()> onCancel,
                         QWidget* parent = nullptr);
    ~RecreatePublicDialog() override;

    void dismiss() override;

protected:
    bool isBusy() const override { return busy_; }
    void showEvent(QShowEvent* event) override;

private:
    void update();
    void recreate();

    SSHKey keyInfo_;
    OnRecreate onRecreate_;
    bool busy_ = false;

    SecretField* passphraseField_;
    FailureBox* failure_;
    QPushButton* cancelButton_;
    QPushButton* recreateButton_;
};

} // namespace moorkeep
