#include "keys/generate_key_dialog.h"

#include "dialogs/dialog_kit.h"
#include "dialogs/failure_box.h"
#include "keys/secret_field.h"
#include "model/input_rules.h"
#include "model/when_finished.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

struct KeyTypeChoice {
    const char* value;
    const char* title;
    const char* note;
};

constexpr KeyTypeChoice keyTypeChoices[] = {
    {"ed25519", "Ed25519", "Recommended"},
    {"rsa", "RSA 4096", "Wide compatibility"},
    {"ecdsa", "ECDSA", "NIST curves"},
};

} // namespace

GenerateKeyDialog::GenerateKeyDialog(OnGenerate onGenerate, std::function<void()> onCancel,
                                     QWidget* parent)
    : SheetDialog(QStringLiteral("generateKeyDialog"), tr("Generate SSH Key"), std::move(onCancel),
                  parent)
    , onGenerate_(std::move(onGenerate))
    , fileNameField_(new QLineEdit)
    , fileNameHint_(DialogKit::hint({}))
    , displayNameField_(new QLineEdit)
    , emailField_(new QLineEdit)
    , emailProblem_(DialogKit::problem(tr("Enter a valid email address")))
    , typeBox_(new QComboBox)
    , passphraseField_(new SecretField)
    , confirmField_(new SecretField)
    , mismatch_(DialogKit::problem(tr("Passphrases do not match")))
    , failure_(new FailureBox)
    , cancelButton_(new QPushButton(tr("Cancel")))
    , generateButton_(new QPushButton) {
    fileNameField_->setObjectName(QStringLiteral("fileNameField"));
    fileNameField_->setPlaceholderText(QStringLiteral("my_key"));
    fileNameHint_->setObjectName(QStringLiteral("fileNameHint"));
    displayNameField_->setObjectName(QStringLiteral("displayNameField"));
    emailField_->setObjectName(QStringLiteral("emailField"));
    emailField_->setPlaceholderText(tr("optional — added as key comment"));
    emailProblem_->setObjectName(QStringLiteral("emailProblem"));
    typeBox_->setObjectName(QStringLiteral("keyTypeBox"));
    for (const auto& choice : keyTypeChoices)
        typeBox_->addItem(QString::fromUtf8(choice.title) + QStringLiteral(" — ") + tr(choice.note),
                          QString::fromUtf8(choice.value));
    passphraseField_->setObjectName(QStringLiteral("passphraseField"));
    passphraseField_->setPlaceholderText(tr("optional"));
    confirmField_->setObjectName(QStringLiteral("confirmPassphraseField"));
    mismatch_->setObjectName(QStringLiteral("mismatchLabel"));
    generateButton_->setObjectName(QStringLiteral("generateButton"));

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addWidget(DialogKit::title(windowTitle(), QStringLiteral("titleLabel")));
    auto* fields = DialogKit::fieldGroup();
    fields->addWidget(DialogKit::field(tr("FILENAME"), fileNameField_, {fileNameHint_}));
    fields->addWidget(DialogKit::field(tr("DISPLAY NAME"), displayNameField_));
    fields->addWidget(DialogKit::field(tr("EMAIL"), emailField_, {emailProblem_}));
    fields->addWidget(DialogKit::field(tr("TYPE"), typeBox_));
    fields->addWidget(DialogKit::field(tr("PASSPHRASE"), passphraseField_));
    fields->addWidget(DialogKit::field(tr("CONFIRM PASSPHRASE"), confirmField_, {mismatch_}));
    layout->addLayout(fields);
    layout->addWidget(failure_);
    layout->addLayout(DialogKit::buttonRow(cancelButton_, generateButton_));

    connect(fileNameField_, &QLineEdit::textChanged, this, &GenerateKeyDialog::update);
    connect(emailField_, &QLineEdit::textChanged, this, &GenerateKeyDialog::update);
    connect(passphraseField_, &QLineEdit::textChanged, this, &GenerateKeyDialog::update);
    connect(confirmField_, &QLineEdit::textChanged, this, &GenerateKeyDialog::update);
    connect(cancelButton_, &QPushButton::clicked, this, &GenerateKeyDialog::reject);
    connect(generateButton_, &QPushButton::clicked, this, &GenerateKeyDialog::generate);
    update();
}

GenerateKeyDialog::~GenerateKeyDialog() {
    passphraseField_->wipe();
    confirmField_->wipe();
}

void GenerateKeyDialog::showEvent(QShowEvent* event) {
    SheetDialog::showEvent(event);
    fileNameField_->setFocus(Qt::OtherFocusReason);
}

bool GenerateKeyDialog::isValid() const {
    return InputRules::isValidKeyFileName(fileNameField_->text().toStdString()) &&
           InputRules::isValidEmail(emailField_->text().toStdString()) &&
           sameSecret(passphraseField_->text(), confirmField_->text());
}

void GenerateKeyDialog::update() {
    const QString fileName = fileNameField_->text();
    fileNameHint_->setText(tr("Saved as ~/.ssh/%1 — letters, numbers, dashes, underscores only")
                               .arg(fileName.isEmpty() ? QStringLiteral("…") : fileName));
    displayNameField_->setPlaceholderText(fileName.isEmpty() ? tr("optional") : fileName);
    emailProblem_->setVisible(!InputRules::isValidEmail(emailField_->text().toStdString()));
    mismatch_->setVisible(!confirmField_->text().isEmpty() &&
                          !sameSecret(passphraseField_->text(), confirmField_->text()));
    cancelButton_->setEnabled(!generating_);
    generateButton_->setText(generating_ ? tr("Generating…") : tr("Generate"));
    generateButton_->setEnabled(!generating_ && isValid());
}

void GenerateKeyDialog::generate() {
    if (generating_ || !isValid())
        return;
    GenerateKeyOptions options;
    options.name = fileNameField_->text().toStdString();
    options.type = typeBox_->currentData().toString().toStdString();
    if (!passphraseField_->text().isEmpty())
        options.passphrase = passphraseField_->secretUtf8();
    options.comment = InputRules::nonEmptyTrimmed(emailField_->text().toStdString());
    std::optional<std::string> displayName =
        InputRules::trimWhitespaceAndNewlines(displayNameField_->text().toStdString());
    if (displayName->empty())
        displayName.reset();

    generating_ = true;
    failure_->setMessage(std::nullopt);
    update();
    // The callback takes its own copy of the request at once.
    QFuture<void> done = onGenerate_(options, displayName);
    if (options.passphrase)
        wipeSecret(*options.passphrase);
    whenFinished(done, this, [this](const CallEnd& end) {
        if (!end.succeeded)
            failed(end.failure);
    });
}

void GenerateKeyDialog::failed(const std::optional<QString>& message) {
    generating_ = false;
    failure_->setMessage(message);
    update();
}

void GenerateKeyDialog::dismiss() {
    passphraseField_->wipe();
    confirmField_->wipe();
    SheetDialog::dismiss();
}

} // namespace moorkeep
