#include "keys/agent_add_dialog.h"

#include "dialogs/dialog_kit.h"
#include "dialogs/failure_box.h"
#include "keys/secret_field.h"
#include "model/when_finished.h"

#include <QComboBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

namespace moorkeep {

namespace {

struct Lifetime {
    const char* label;
    std::optional<std::int64_t> seconds;
};

constexpr std::array<Lifetime, 3> lifetimes{{
    {QT_TRANSLATE_NOOP("AgentAddDialog", "Until the agent stops (usually at logout)"),
     std::nullopt},
    {QT_TRANSLATE_NOOP("AgentAddDialog", "1 hour"), 3600},
    {QT_TRANSLATE_NOOP("AgentAddDialog", "8 hours"), 8 * 3600},
}};

} // namespace

std::optional<std::int64_t> AgentAddDialog::lifetimeAt(int index) {
    if (index < 0 || index >= int(lifetimes.size()))
        return std::nullopt;
    return lifetimes[std::size_t(index)].seconds;
}

AgentAddDialog::AgentAddDialog(SSHKey keyInfo, OnAdd onAdd, std::function<void()> onCancel,
                               QWidget* parent)
    : SheetDialog(QStringLiteral("agentAddDialog"), tr("Add to Agent"), std::move(onCancel), parent)
    , keyInfo_(std::move(keyInfo))
    , onAdd_(std::move(onAdd))
    , lifetimeBox_(new QComboBox)
    , failure_(new FailureBox)
    , cancelButton_(new QPushButton(tr("&Cancel")))
    , addButton_(new QPushButton) {
    const QString title = windowTitle();

    lifetimeBox_->setObjectName(QStringLiteral("agentLifetimeBox"));
    for (const Lifetime& lifetime : lifetimes)
        lifetimeBox_->addItem(tr(lifetime.label));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    addButton_->setObjectName(QStringLiteral("addButton"));

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addLayout(DialogKit::keyHeading(title, keyInfo_.path));
    auto* fields = DialogKit::fieldGroup();
    fields->addWidget(DialogKit::field(tr("KEEP THE KEY"), lifetimeBox_));
    if (keyInfo_.hasPassphrase == true) {
        passphraseField_ = new SecretField;
        passphraseField_->setObjectName(QStringLiteral("agentPassphraseField"));
        fields->addWidget(DialogKit::field(tr("PASSPHRASE"), passphraseField_));
        connect(passphraseField_, &QLineEdit::textChanged, this, &AgentAddDialog::update);
    }
    layout->addLayout(fields);
    layout->addWidget(failure_);
    layout->addLayout(DialogKit::buttonRow(cancelButton_, addButton_));

    connect(cancelButton_, &QPushButton::clicked, this, &AgentAddDialog::reject);
    connect(addButton_, &QPushButton::clicked, this, &AgentAddDialog::add);
    update();
}

AgentAddDialog::~AgentAddDialog() {
    if (passphraseField_)
        passphraseField_->wipe();
}

void AgentAddDialog::showEvent(QShowEvent* event) {
    SheetDialog::showEvent(event);
    if (passphraseField_)
        passphraseField_->setFocus(Qt::OtherFocusReason);
    else
        lifetimeBox_->setFocus(Qt::OtherFocusReason);
}

void AgentAddDialog::update() {
    cancelButton_->setEnabled(!adding_);
    lifetimeBox_->setEnabled(!adding_);
    addButton_->setText(adding_ ? tr("Adding…") : tr("&Add to Agent"));
    addButton_->setEnabled(!adding_ && (!passphraseField_ || !passphraseField_->text().isEmpty()));
}

void AgentAddDialog::add() {
    if (!addButton_->isEnabled())
        return;
    AgentAddOptions options;
    options.keyId = keyInfo_.id;
    options.lifetimeSeconds = lifetimeAt(lifetimeBox_->currentIndex());
    if (passphraseField_)
        options.passphrase = passphraseField_->secretUtf8();

    adding_ = true;
    failure_->setMessage(std::nullopt);
    update();
    // The callback takes its own copy of the request at once.
    QFuture<void> done = onAdd_(options);
    wipeSecret(options.passphrase);
    whenFinished(done, this, [this](const CallEnd& end) {
        if (!end.succeeded)
            failed(end.failure);
    });
}

void AgentAddDialog::failed(const std::optional<QString>& message) {
    adding_ = false;
    failure_->setMessage(message);
    if (passphraseField_) {
        passphraseField_->wipe();
        passphraseField_->setFocus(Qt::OtherFocusReason);
    }
    update();
}

void AgentAddDialog::dismiss() {
    if (passphraseField_)
        passphraseField_->wipe();
    SheetDialog::dismiss();
}

} // namespace moorkeep
