#include "keys/recreate_public_dialog.h"

#include "dialogs/dialog_kit.h"
#include "dialogs/failure_box.h"
#include "keys/secret_field.h"
#include "model/when_finished.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

RecreatePublicDialog::RecreatePublicDialog(SSHKey keyInfo, OnRecreate onRecreate,
                                           std::function<void()> onCancel, QWidget* parent)
    : SheetDialog(QStringLiteral("recreatePublicDialog"), tr("Re-create Public Key"),
                  std::move(onCancel), parent)
    , keyInfo_(std::move(keyInfo))
    , onRecreate_(std::move(onRecreate))
    , passphraseField_(new SecretField)
    , failure_(new FailureBox)
    , cancelButton_(new QPushButton(tr("Cancel")))
    , recreateButton_(new QPushButton) {
    passphraseField_->setObjectName(QStringLiteral("keyPassphraseField"));
    passphraseField_->setAccessibleName(tr("Passphrase of the key"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    recreateButton_->setObjectName(QStringLiteral("recreateButton"));

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addLayout(DialogKit::keyHeading(windowTitle(), keyInfo_.path));
    auto* fields = DialogKit::fieldGroup();
    fields->addWidget(DialogKit::field(tr("PASSPHRASE"), passphraseField_));
    layout->addLayout(fields);
    layout->addWidget(failure_);
    layout->addLayout(DialogKit::buttonRow(cancelButton_, recreateButton_));

    connect(passphraseField_, &QLineEdit::textChanged, this, &RecreatePublicDialog::update);
    connect(cancelButton_, &QPushButton::clicked, this, &RecreatePublicDialog::reject);
    connect(recreateButton_, &QPushButton::clicked, this, &RecreatePublicDialog::recreate);
    update();
}

RecreatePublicDialog::~RecreatePublicDialog() {
    passphraseField_->wipe();
}

void RecreatePublicDialog::showEvent(QShowEvent* event) {
    SheetDialog::showEvent(event);
    passphraseField_->setFocus(Qt::OtherFocusReason);
}

// A key whose protection is not known may need no passphrase at all.
void RecreatePublicDialog::update() {
    cancelButton_->setEnabled(!busy_);
    passphraseField_->setEnabled(!busy_);
    recreateButton_->setText(busy_ ? tr("Re-creating…") : tr("Re-create"));
    recreateButton_->setEnabled(
        !busy_ && (keyInfo_.hasPassphrase != true || !passphraseField_->text().isEmpty()));
}

void RecreatePublicDialog::recreate() {
    if (!recreateButton_->isEnabled())
        return;
    RecreatePublicKeyOptions options{keyInfo_.id, passphraseField_->secretUtf8()};
    busy_ = true;
    failure_->setMessage(std::nullopt);
    update();
    // The callback takes its own copy of the request at once.
    QFuture<void> done = onRecreate_(options);
    wipeSecret(options.passphrase);
    whenFinished(done, this, [this](const CallEnd& end) {
        if (end.succeeded)
            return;
        busy_ = false;
        failure_->setMessage(end.failure);
        passphraseField_->wipe();
        update();
        passphraseField_->setFocus(Qt::OtherFocusReason);
    });
}

void RecreatePublicDialog::dismiss() {
    passphraseField_->wipe();
    SheetDialog::dismiss();
}

} // namespace moorkeep
