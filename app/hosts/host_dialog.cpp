#include "hosts/host_dialog.h"

#include "dialogs/dialog_kit.h"
#include "hosts/key_picker.h"
#include "model/input_rules.h"
#include "model/port_rule.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

std::optional<std::string> aliasProblem(const std::string& alias) {
    if (InputRules::isValidAlias(alias))
        return std::nullopt;
    return std::string(InputRules::aliasRuleMessage);
}

} // namespace

HostDialog::HostDialog(std::optional<SSHHost> existing, std::vector<SSHHost> allHosts,
                       const std::vector<SSHKey>& keys, SaveHandler onSave,
                       std::function<void()> onCancel, QWidget* parent)
    : SheetDialog(QStringLiteral("hostDialog"), existing ? tr("Edit Host") : tr("Add Host"),
                  std::move(onCancel), parent)
    , existing_(std::move(existing))
    , allHosts_(std::move(allHosts))
    , onSave_(std::move(onSave))
    , alias_(textField(QStringLiteral("aliasField"), tr("Alias"), tr("my-server")))
    , hostname_(textField(QStringLiteral("hostnameField"), tr("Host name"),
                          QStringLiteral("192.168.1.10")))
    , user_(textField(QStringLiteral("userField"), tr("User"), tr("root")))
    , port_(textField(QStringLiteral("portField"), tr("Port"), QStringLiteral("22")))
    , key_(new KeyPicker(keys))
    , proxyJump_(textField(QStringLiteral("proxyJumpField"), tr("ProxyJump"),
                           tr("bastion host alias (optional)")))
    , duplicateLine_(DialogKit::problemLine(QStringLiteral("duplicateAliasLine")))
    , aliasProblemLine_(DialogKit::problemLine(QStringLiteral("aliasProblemLine")))
    , portProblemLine_(DialogKit::problemLine(QStringLiteral("portProblemLine")))
    , changedOutsideLine_(DialogKit::problemLine(QStringLiteral("changedOutsideLine")))
    , saveButton_(new QPushButton(existing_ ? tr("Save Changes") : tr("Add Host"))) {
    key_->setAccessibleName(tr("Key"));
    duplicateLine_->setText(tr("A host with this alias already exists."));
    changedOutsideLine_->setText(tr("This host was changed or removed outside Moorkeep."));
    auto* cancel = new QPushButton(tr("Cancel"));
    connect(cancel, &QPushButton::clicked, this, &HostDialog::reject);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    connect(saveButton_, &QPushButton::clicked, this, &HostDialog::save);
    QBoxLayout* buttons = DialogKit::buttonRow(cancel, saveButton_, 18);
    buttons->setContentsMargins(0, 4, 0, 0);

    auto* layout = DialogKit::sheetLayout(this, 480);
    layout->addLayout(heading());
    layout->addLayout(form());
    layout->addLayout(buttons);
    orderTabs(cancel);

    port_->setText(QStringLiteral("22"));
    if (existing_)
        fill(*existing_);
    for (QLineEdit* field : {alias_, hostname_, user_, port_, proxyJump_})
        connect(field, &QLineEdit::textChanged, this, &HostDialog::validate);
    validate();
}

// The title, over the line saying the host changed outside when it did.
QLayout* HostDialog::heading() {
    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(DialogKit::title(windowTitle(), QStringLiteral("dialogTitle")));
    heading->addWidget(changedOutsideLine_);
    return heading;
}

QLayout* HostDialog::form() {
    auto* form = DialogKit::fieldGroup();
    form->addLayout(DialogKit::pair(
        DialogKit::field(tr("ALIAS"), alias_, {duplicateLine_, aliasProblemLine_}, true),
        DialogKit::field(tr("HOSTNAME"), hostname_, {}, true)));
    form->addLayout(DialogKit::pair(DialogKit::field(tr("USER"), user_),
                                    DialogKit::field(tr("PORT"), port_, {portProblemLine_})));
    form->addWidget(DialogKit::field(tr("KEY"), key_));
    form->addWidget(DialogKit::field(tr("PROXYJUMP"), proxyJump_));
    return form;
}

void HostDialog::orderTabs(QWidget* cancel) {
    QWidget* const chain[] = {alias_, hostname_,  user_,  port_,
                              key_,   proxyJump_, cancel, saveButton_};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

QLineEdit* HostDialog::textField(const QString& objectName, const QString& accessibleName,
                                 const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setObjectName(objectName);
    field->setAccessibleName(accessibleName);
    field->setPlaceholderText(placeholder);
    field->installEventFilter(this);
    return field;
}

void HostDialog::fill(const SSHHost& host) {
    alias_->setText(QString::fromStdString(host.alias));
    hostname_->setText(QString::fromStdString(host.hostname));
    user_->setText(QString::fromStdString(host.user));
    port_->setText(QString::number(host.port));
    key_->setKeyId(host.keyId.value_or(std::string()));
    proxyJump_->setText(QString::fromStdString(host.proxyJump.value_or(std::string())));
}

void HostDialog::fillAsCopyOf(const SSHHost& host) {
    fill(host);
    alias_->setText(QString::fromStdString(host.alias) + QStringLiteral("-copy"));
    copiedOptions_ = host.extraOptions;
    setWindowTitle(tr("Duplicate Host"));
    setAccessibleName(windowTitle());
    if (auto* title = findChild<QLabel*>(QStringLiteral("dialogTitle")))
        title->setText(windowTitle());
}

void HostDialog::showEvent(QShowEvent* event) {
    SheetDialog::showEvent(event);
    alias_->setFocus(Qt::OtherFocusReason);
}

bool HostDialog::isDuplicateAlias() const {
    return InputRules::isDuplicateAlias(allHosts_, text(alias_),
                                        existing_ ? std::optional(existing_->id) : std::nullopt);
}

bool HostDialog::canSave() const {
    const std::string alias = text(alias_);
    // An alias that already had a problem can stay as it is.
    const bool aliasKept = existing_ && alias == existing_->alias;
    return !alias.empty() && !hostname_->text().isEmpty() && !isDuplicateAlias() &&
           (aliasKept || !aliasProblem(alias)) && !portProblem(text(port_)) && !changedOutside_;
}

void HostDialog::validate() {
    const bool aliasShown = showsProblems(alias_);
    duplicateLine_->setVisible(aliasShown && isDuplicateAlias());
    const std::string alias = text(alias_);
    const auto aliasIssue =
        existing_ && alias == existing_->alias ? std::nullopt : aliasProblem(alias);
    aliasProblemLine_->setText(QString::fromStdString(aliasIssue.value_or(std::string())));
    aliasProblemLine_->setVisible(aliasShown && aliasIssue.has_value());
    const auto portIssue = portProblem(text(port_));
    portProblemLine_->setText(QString::fromStdString(portIssue.value_or(std::string())));
    portProblemLine_->setVisible(showsProblems(port_) && portIssue.has_value());
    saveButton_->setEnabled(canSave());
}

bool HostDialog::showsProblems(QLineEdit* field) const {
    return existing_ || saveTried_ || left_.contains(field);
}

SSHHost HostDialog::record() const {
    SSHHost fresh;
    fresh.source = HostSource::user;
    SSHHost host = existing_.value_or(fresh);
    host.alias = text(alias_);
    host.hostname = text(hostname_);
    host.user = text(user_);
    host.port = portFromField(text(port_)).value_or(22);
    host.keyId = key_->keyId().empty() ? std::nullopt : std::optional(key_->keyId());
    host.proxyJump = InputRules::nonEmptyTrimmed(text(proxyJump_));
    if (!existing_)
        host.extraOptions = copiedOptions_;
    return host;
}

void HostDialog::save() {
    if (canSave()) {
        onSave_(record());
        return;
    }
    saveTried_ = true;
    validate();
}

void HostDialog::markChangedOutside() {
    changedOutside_ = true;
    changedOutsideLine_->show();
    validate();
}

// A field is left when the user moves on, not when the window loses focus.
bool HostDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (field && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            left_.insert(field);
            validate();
        }
    }
    return SheetDialog::eventFilter(watched, event);
}

} // namespace moorkeep
