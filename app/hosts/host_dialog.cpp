#include "hosts/host_dialog.h"

#include "dialogs/dialog_kit.h"
#include "hosts/extra_options_table.h"
#include "hosts/key_picker.h"
#include "model/input_rules.h"
#include "model/port_rule.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <set>

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
    , extras_(new ExtraOptionsTable({}))
    , changedOutsideLine_(DialogKit::problemLine(QStringLiteral("changedOutsideLine")))
    , reloadButton_(new QPushButton(tr("&Reload")))
    , conflictsLine_(DialogKit::problemLine(QStringLiteral("reloadConflictsLine")))
    , cancelButton_(new QPushButton(tr("&Cancel")))
    , saveButton_(new QPushButton(existing_ ? tr("&Save Changes") : tr("&Add Host"))) {
    key_->setAccessibleName(tr("Key"));
    duplicateLine_->setText(tr("A host with this alias already exists."));
    reloadButton_->setObjectName(QStringLiteral("reloadButton"));
    reloadButton_->setAutoDefault(false);
    reloadButton_->hide();
    connect(reloadButton_, &QPushButton::clicked, this, &HostDialog::reload);
    conflictsLine_->setAccessibleName(tr("Fields changed here and outside"));
    connect(cancelButton_, &QPushButton::clicked, this, &HostDialog::reject);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    connect(saveButton_, &QPushButton::clicked, this, &HostDialog::save);
    QBoxLayout* buttons = DialogKit::buttonRow(cancelButton_, saveButton_, 18);
    buttons->setContentsMargins(0, 4, 0, 0);

    auto* layout = DialogKit::sheetLayout(this, 480);
    layout->addLayout(heading());
    layout->addLayout(form());
    layout->addLayout(buttons);
    connect(extras_, &ExtraOptionsTable::rowsChanged, this, &HostDialog::orderTabs);

    port_->setText(QStringLiteral("22"));
    if (existing_)
        fill(*existing_);
    orderTabs();
    for (QLineEdit* field : {alias_, hostname_, user_, port_, proxyJump_})
        connect(field, &QLineEdit::textChanged, this, &HostDialog::validate);
    validate();
}

// The title, over the line saying the host changed outside when it did,
// with the button that reloads it, and what the reload could not take.
QLayout* HostDialog::heading() {
    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(DialogKit::title(windowTitle(), QStringLiteral("dialogTitle")));
    auto* outside = new QHBoxLayout;
    outside->addWidget(changedOutsideLine_, 1);
    outside->addWidget(reloadButton_);
    heading->addLayout(outside);
    heading->addWidget(conflictsLine_);
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
    form->addWidget(extras_);
    return form;
}

// The tab order follows the layout, also for option rows added later.
void HostDialog::orderTabs() {
    std::vector<QWidget*> chain{alias_, hostname_, user_, port_, key_, proxyJump_};
    const auto options = extras_->focusChain();
    chain.insert(chain.end(), options.begin(), options.end());
    chain.insert(chain.end(), {cancelButton_, saveButton_});
    for (std::size_t i = 1; i < chain.size(); ++i)
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
    extras_->setOptions(host.extraOptions);
}

void HostDialog::fillAsCopyOf(const SSHHost& host) {
    fill(host);
    alias_->setText(QString::fromStdString(host.alias) + QStringLiteral("-copy"));
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
    host.extraOptions = extras_->options();
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

void HostDialog::markChangedOutside(std::optional<SSHHost> now) {
    changedOutside_ = true;
    outside_ = std::move(now);
    changedOutsideLine_->setText(outside_ ? tr("This host was changed outside Moorkeep.")
                                          : tr("This host was removed outside Moorkeep."));
    changedOutsideLine_->show();
    reloadButton_->setVisible(outside_.has_value());
    validate();
}

namespace {

QString shown(const std::string& value) {
    return value.empty() ? HostDialog::tr("(none)") : QString::fromStdString(value);
}

QString conflict(const QString& field, const QString& mine, const QString& theirs) {
    return HostDialog::tr("%1: kept yours, \u201c%2\u201d; outside it became \u201c%3\u201d.")
        .arg(field, mine, theirs);
}

} // namespace

void HostDialog::reload() {
    if (!existing_ || !outside_)
        return;
    const SSHHost base = *existing_;
    const SSHHost now = *outside_;
    QStringList conflicts;
    auto merge = [&](const QString& field, const std::string& mine, const std::string& was,
                     const std::string& theirs, const std::function<void()>& take,
                     const std::function<QString(const std::string&)>& show = shown) {
        if (mine == was)
            take();
        else if (theirs != was && theirs != mine)
            conflicts << conflict(field, show(mine), show(theirs));
    };
    auto setText = [](QLineEdit* field, const std::string& value) {
        return [field, value] { field->setText(QString::fromStdString(value)); };
    };
    merge(tr("Alias"), text(alias_), base.alias, now.alias, setText(alias_, now.alias));
    merge(tr("Host name"), text(hostname_), base.hostname, now.hostname,
          setText(hostname_, now.hostname));
    merge(tr("User"), text(user_), base.user, now.user, setText(user_, now.user));
    merge(tr("Port"), text(port_), std::to_string(base.port), std::to_string(now.port),
          setText(port_, std::to_string(now.port)));
    const std::string nowKey = now.keyId.value_or(std::string());
    merge(
        tr("Key"), key_->keyId(), base.keyId.value_or(std::string()), nowKey,
        [&] { key_->setKeyId(nowKey); },
        [this](const std::string& id) {
            const int index = key_->findData(QString::fromStdString(id));
            return index < 0 ? shown(id) : key_->itemText(index);
        });
    const std::string nowJump = now.proxyJump.value_or(std::string());
    merge(tr("ProxyJump"), text(proxyJump_), base.proxyJump.value_or(std::string()), nowJump,
          setText(proxyJump_, nowJump));
    reloadOptions(base, now, conflicts);

    existing_ = now;
    outside_.reset();
    changedOutside_ = false;
    changedOutsideLine_->hide();
    reloadButton_->hide();
    conflictsLine_->setText(conflicts.join(QLatin1Char('\n')));
    conflictsLine_->setVisible(!conflicts.isEmpty());
    validate();
}

// Option by option, as for the fields: one the user left as it was takes
// its new value, or goes when it went outside.
void HostDialog::reloadOptions(const SSHHost& base, const SSHHost& now, QStringList& conflicts) {
    const OptionMap mine = extras_->options();
    OptionMap merged = mine;
    std::set<std::string> names;
    for (const OptionMap* options : {&base.extraOptions, &now.extraOptions, &mine})
        for (const auto& entry : *options)
            names.insert(entry.first);
    auto valueIn = [](const OptionMap& options, const std::string& name) {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt : std::optional(found->second);
    };
    for (const std::string& name : names) {
        const auto was = valueIn(base.extraOptions, name);
        const auto ours = valueIn(mine, name);
        const auto theirs = valueIn(now.extraOptions, name);
        if (ours == was) {
            if (theirs)
                merged[name] = *theirs;
            else
                merged.erase(name);
        } else if (theirs != was && theirs != ours) {
            conflicts << conflict(QString::fromStdString(name), shown(ours.value_or("")),
                                  shown(theirs.value_or("")));
        }
    }
    if (merged != mine)
        extras_->setOptions(merged);
}

// A field is left when the user moves on, not when the window loses focus.
bool HostDialog::eventFilter(QObject* watched, QEvent* event) {
    if (extras_->tookReturn(watched, event))
        return true;
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
