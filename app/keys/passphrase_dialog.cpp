#include "keys/passphrase_dialog.h"

#include "dialogs/confirm_alert.h"
#include "dialogs/dialog_kit.h"
#include "dialogs/failure_box.h"
#include "keys/secret_field.h"
#include "model/when_finished.h"

#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

PassphraseDialog::PassphraseDialog(SSHKey keyInfo, OnSave onSave, std::function<void()> onCancel,
                                   QWidget* parent)
    : SheetDialog(QStringLiteral("passphraseDialog"),
                  keyInfo.hasPassphrase.value_or(false) ? tr("Change Passphrase")
                                                        : tr("Set Passphrase"),
                  std::move(onCancel), parent)
    , keyInfo_(std::move(keyInfo))
    , onSave_(std::move(onSave))
    , newField_(new SecretField)
    , confirmField_(new SecretField)
    , mismatch_(DialogKit::problem(tr("Passphrases do not match")))
    , failure_(new FailureBox)
    , cancelButton_(new QPushButton(tr("Cancel")))
    , saveButton_(new QPushButton) {
    newField_->setObjectName(QStringLiteral("newPassphraseField"));
    if (isProtected())
        newField_->setPlaceholderText(tr("leave empty to remove"));
    confirmField_->setObjectName(QStringLiteral("confirmPassphraseField"));
    mismatch_->setObjectName(QStringLiteral("mismatchLabel"));
    saveButton_->setObjectName(QStringLiteral("saveButton"));

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addLayout(DialogKit::keyHeading(windowTitle(), keyInfo_.path));
    auto* fields = DialogKit::fieldGroup();
    if (isProtected()) {
        currentField_ = new SecretField;
        currentField_->setObjectName(QStringLiteral("currentPassphraseField"));
        fields->addWidget(DialogKit::field(tr("CURRENT PASSPHRASE"), currentField_));
    }
    fields->addWidget(DialogKit::field(tr("NEW PASSPHRASE"), newField_));
    fields->addWidget(DialogKit::field(tr("CONFIRM NEW PASSPHRASE"), confirmField_, {mismatch_}));
    layout->addLayout(fields);
    layout->addWidget(failure_);
    layout->addLayout(DialogKit::buttonRow(cancelButton_, saveButton_));
    // Return belongs to the fields: a default button would remove the
    // passphrase with the keystroke that ends the current one.
    saveButton_->setDefault(false);

    connect(newField_, &QLineEdit::textChanged, this, &PassphraseDialog::update);
    connect(confirmField_, &QLineEdit::textChanged, this, &PassphraseDialog::update);
    connect(cancelButton_, &QPushButton::clicked, this, &PassphraseDialog::reject);
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        if (isRemoving())
            confirmRemoval();
        else
            save();
    });
    update();
}

PassphraseDialog::~PassphraseDialog() {
    wipe();
}

void PassphraseDialog::showEvent(QShowEvent* event) {
    SheetDialog::showEvent(event);
    (currentField_ ? currentField_ : newField_)->setFocus(Qt::OtherFocusReason);
}

bool PassphraseDialog::isProtected() const {
    return keyInfo_.hasPassphrase.value_or(false);
}

bool PassphraseDialog::isRemoving() const {
    return isProtected() && newField_->text().isEmpty();
}

bool PassphraseDialog::isMismatch() const {
    return !confirmField_->text().isEmpty() && !entriesAgree();
}

bool PassphraseDialog::entriesAgree() const {
    return sameSecret(newField_->text(), confirmField_->text());
}

void PassphraseDialog::update() {
    const bool mismatch = isMismatch();
    mismatch_->setVisible(mismatch);
    cancelButton_->setEnabled(!saving_);
    const bool removing = isRemoving();
    DialogKit::setDestructive(saveButton_, removing);
    saveButton_->setText(saving_         ? tr("Saving…")
                         : removing      ? tr("Remove Passphrase")
                         : isProtected() ? tr("Change Passphrase")
                                         : tr("Set Passphrase"));
    // A new passphrase counts once it was typed twice alike; removing needs
    // both new fields empty.
    saveButton_->setEnabled(!saving_ && entriesAgree() &&
                            (isProtected() || !newField_->text().isEmpty()));
}

void PassphraseDialog::confirmRemoval() {
    if (!saveButton_->isEnabled() || removeAlert_)
        return;
    const ConfirmAlert alert{
        .objectName = QStringLiteral("removePassphraseAlert"),
        .windowTitle = tr("Remove Passphrase"),
        .question = tr("Remove the passphrase of %1?").arg(QString::fromStdString(keyInfo_.path)),
        .consequence = tr("The key will no longer be protected: anyone who gets the file can use "
                          "this key."),
        .action = tr("Remove Passphrase"),
        .actionObjectName = QStringLiteral("alertRemoveButton"),
        .cancelObjectName = QStringLiteral("alertCancelButton"),
        .redAction = true};
    removeAlert_ = alert.open(this, [this](bool confirmed) {
        removeAlert_ = nullptr;
        if (confirmed)
            save();
    });
}

void PassphraseDialog::submit() {
    if (!isRemoving())
        save();
}

void PassphraseDialog::save() {
    if (!saveButton_->isEnabled())
        return;
    ChangePassphraseOptions options;
    options.keyId = keyInfo_.id;
    if (currentField_)
        options.oldPassphrase = currentField_->secretUtf8();
    options.newPassphrase = newField_->secretUtf8();

    saving_ = true;
    failure_->setMessage(std::nullopt);
    update();
    // The callback takes its own copy of the request at once.
    QFuture<void> done = onSave_(options);
    wipeSecret(options.oldPassphrase);
    wipeSecret(options.newPassphrase);
    whenFinished(done, this, [this](const CallEnd& end) {
        if (!end.succeeded)
            failed(end.failure);
    });
}

void PassphraseDialog::failed(const std::optional<QString>& message) {
    saving_ = false;
    failure_->setMessage(message);
    update();
}

void PassphraseDialog::dismiss() {
    if (removeAlert_)
        removeAlert_->close();
    wipe();
    SheetDialog::dismiss();
}

void PassphraseDialog::wipe() {
    if (currentField_)
        currentField_->wipe();
    newField_->wipe();
    confirmField_->wipe();
}

} // namespace moorkeep
