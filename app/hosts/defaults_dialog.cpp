#include "hosts/defaults_dialog.h"

#include "dialogs/dialog_kit.h"
#include "hosts/key_picker.h"
#include "model/input_rules.h"
#include "model/port_rule.h"
#include "style/caption_label.h"
#include "style/colors.h"
#include "style/symbols.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

namespace moorkeep {

namespace {

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

QLineEdit* textField(const QString& objectName, const QString& accessibleName,
                     const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setObjectName(objectName);
    field->setAccessibleName(accessibleName);
    field->setPlaceholderText(placeholder);
    return field;
}

} // namespace

namespace {

QString keywordLabel(const std::string& keyword) {
    static const std::map<std::string, QString> labels{
        {"hostname", QStringLiteral("HostName")},
        {"user", QStringLiteral("User")},
        {"port", QStringLiteral("Port")},
        {"identityfile", QStringLiteral("IdentityFile")},
        {"proxyjump", QStringLiteral("ProxyJump")}};
    const auto found = labels.find(keyword);
    return found == labels.end() ? QString::fromStdString(keyword) : found->second;
}

// One sentence per value of the block that hosts' own lines cannot change.
// It names the first few hosts and counts the rest: a block before 10,000
// hosts would otherwise make a label of every name.
QString overridesText(const std::vector<config::DefaultsOverride>& overrides) {
    constexpr std::size_t named = 5;
    QStringList sentences;
    for (const auto& entry : overrides) {
        QStringList aliases;
        for (std::size_t i = 0; i < std::min(named, entry.aliases.size()); ++i)
            aliases << QString::fromStdString(entry.aliases[i]);
        QString names = aliases.join(QStringLiteral(", "));
        if (entry.aliases.size() > named)
            names =
                DefaultsDialog::tr("%1 and %2 more").arg(names).arg(entry.aliases.size() - named);
        const QString keyword = keywordLabel(entry.keyword);
        const QString sentence =
            entry.aliases.size() == 1
                ? DefaultsDialog::tr("%1 %2 here overrides the %1 of 1 host: %3.")
                : DefaultsDialog::tr("%1 %2 here overrides the %1 of %4 hosts: %3.");
        sentences << sentence.arg(keyword, QString::fromStdString(entry.value), names)
                         .arg(entry.aliases.size());
    }
    return sentences.join(QLatin1Char('\n')) +
           DefaultsDialog::tr("\nThis Host * block comes before their blocks, and OpenSSH takes "
                              "the first value it meets.");
}

} // namespace

DefaultsDialog::DefaultsDialog(Defaults initial, const std::vector<SSHKey>& keys,
                               SaveHandler onSave, std::function<void()> onCancel, QWidget* parent,
                               const std::vector<config::DefaultsOverride>& overrides)
    : SheetDialog(QStringLiteral("defaultsDialog"), tr("Default Options"), std::move(onCancel),
                  parent)
    , initial_(std::move(initial))
    , onSave_(std::move(onSave))
    , user_(textField(QStringLiteral("userField"), tr("Default user"), tr("(none)")))
    , port_(textField(QStringLiteral("portField"), tr("Default port"), QStringLiteral("22")))
    , key_(new KeyPicker(keys))
    , proxyJump_(textField(QStringLiteral("proxyJumpField"), tr("Default ProxyJump"), tr("(none)")))
    , portProblemLine_(DialogKit::problemLine(QStringLiteral("portProblemLine")))
    , extrasLayout_(new QVBoxLayout)
    , newKey_(
          textField(QStringLiteral("newOptionName"), tr("New option name"), tr("New option name")))
    , newValue_(textField(QStringLiteral("newOptionValue"), tr("New option value"), tr("Value")))
    , addButton_(new QPushButton(tr("Add")))
    , cancelButton_(new QPushButton(tr("Cancel")))
    , saveButton_(new QPushButton(tr("Save Defaults"))) {
    key_->setAccessibleName(tr("Default key"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(cancelButton_, &QPushButton::clicked, this, &DefaultsDialog::reject);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    connect(saveButton_, &QPushButton::clicked, this, &DefaultsDialog::save);

    auto* layout = DialogKit::sheetLayout(this, 520);
    layout->setSpacing(16);
    layout->addLayout(heading(overrides));
    layout->addLayout(form());
    layout->addLayout(DialogKit::buttonRow(cancelButton_, saveButton_, 16));

    user_->setText(QString::fromStdString(initial_.user));
    port_->setText(QString::number(initial_.port));
    key_->setKeyId(initial_.keyId);
    proxyJump_->setText(QString::fromStdString(initial_.proxyJump.value_or(std::string())));
    // std::map keeps its keys in byte order, which for UTF-8 is code-point order.
    for (const auto& [name, value] : initial_.extraOptions)
        addRow(QString::fromStdString(name), QString::fromStdString(value));
    connect(port_, &QLineEdit::textChanged, this, &DefaultsDialog::validate);
    validate();
    orderTabs();
}

// The title and what the block is for, and which hosts' own values it
// overrides, if any.
QLayout* DefaultsDialog::heading(const std::vector<config::DefaultsOverride>& overrides) {
    auto* subtitle = new TintedLabel(tr("Applied to all hosts via Host * in your SSH config."),
                                     TypeRamp::font(TypeRamp::Style::caption),
                                     [] { return Colors::secondary(); });
    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(DialogKit::title(windowTitle(), QStringLiteral("dialogTitle")));
    heading->addWidget(subtitle);
    if (!overrides.empty()) {
        auto* warning =
            new TintedLabel(overridesText(overrides), TypeRamp::font(TypeRamp::Style::caption),
                            [] { return Colors::warning(); });
        warning->setObjectName(QStringLiteral("overridesLabel"));
        warning->setWordWrap(true);
        warning->setAccessibleName(warning->text());
        heading->addWidget(warning);
    }
    return heading;
}

QLayout* DefaultsDialog::form() {
    auto* form = DialogKit::fieldGroup();
    form->addLayout(DialogKit::pair(DialogKit::field(tr("USER"), user_),
                                    DialogKit::field(tr("PORT"), port_, {portProblemLine_})));
    form->addLayout(DialogKit::pair(DialogKit::field(tr("DEFAULT KEY"), key_),
                                    DialogKit::field(tr("PROXYJUMP"), proxyJump_)));
    form->addLayout(extrasSection());
    return form;
}

// The options' rows, then the fields that add one.
QLayout* DefaultsDialog::extrasSection() {
    addButton_->setObjectName(QStringLiteral("addOptionButton"));
    addButton_->setAccessibleName(tr("Add option"));
    addButton_->setAutoDefault(false);
    connect(addButton_, &QPushButton::clicked, this, &DefaultsDialog::addEntered);
    connect(newKey_, &QLineEdit::textChanged, this, &DefaultsDialog::validate);
    newKey_->installEventFilter(this);
    newValue_->installEventFilter(this);
    auto* entry = new QHBoxLayout;
    entry->setSpacing(8);
    entry->addWidget(newKey_, 1);
    entry->addWidget(newValue_, 1);
    entry->addWidget(addButton_);

    auto* section = new QVBoxLayout;
    section->setSpacing(8);
    section->addWidget(new CaptionLabel(tr("EXTRA OPTIONS")));
    extrasLayout_->setSpacing(8);
    extrasLayout_->setContentsMargins(0, 0, 0, 0);
    section->addLayout(extrasLayout_);
    section->addLayout(entry);
    return section;
}

void DefaultsDialog::addRow(const QString& key, const QString& value) {
    ExtraRow row;
    row.line = new QWidget;
    row.line->setObjectName(QStringLiteral("extraOptionRow"));
    row.key = textField(QStringLiteral("extraOptionName"), tr("Option name"), tr("Option"));
    row.key->setText(key);
    row.value = textField(QStringLiteral("extraOptionValue"), tr("Option value"), tr("Value"));
    row.value->setText(value);
    auto* remove = new QToolButton;
    remove->setObjectName(QStringLiteral("removeOptionButton"));
    remove->setIcon(Symbols::icon(QStringLiteral("trash"), Colors::secondary()));
    remove->setAutoRaise(true);
    remove->setToolTip(tr("Remove option"));
    remove->setAccessibleName(tr("Remove option"));
    remove->setFocusPolicy(Qt::StrongFocus);
    row.remove = remove;
    QWidget* line = row.line;
    connect(remove, &QToolButton::clicked, this, [this, line] { removeRow(line); });
    auto* layout = new QHBoxLayout(row.line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(row.key, 1);
    layout->addWidget(row.value, 1);
    layout->addWidget(remove);
    extrasLayout_->addWidget(row.line);
    extras_.push_back(row);
}

void DefaultsDialog::removeRow(QWidget* line) {
    std::erase_if(extras_, [&](const ExtraRow& row) { return row.line == line; });
    line->deleteLater();
    orderTabs();
    // The focus leaves with the row: keep it in the section.
    newKey_->setFocus(Qt::OtherFocusReason);
}

void DefaultsDialog::addEntered() {
    const std::string key = InputRules::trimWhitespace(text(newKey_));
    if (key.empty())
        return;
    addRow(QString::fromStdString(key),
           QString::fromStdString(InputRules::trimWhitespace(text(newValue_))));
    newKey_->clear();
    newValue_->clear();
    orderTabs();
    newKey_->setFocus(Qt::OtherFocusReason);
}

bool DefaultsDialog::canSave() const {
    return !portProblem(text(port_));
}

void DefaultsDialog::validate() {
    addButton_->setEnabled(!InputRules::trimWhitespace(text(newKey_)).empty());
    const auto portIssue = portProblem(text(port_));
    portProblemLine_->setText(QString::fromStdString(portIssue.value_or(std::string())));
    portProblemLine_->setVisible(portIssue.has_value());
    saveButton_->setEnabled(canSave());
}

// The tab order follows the layout, also for rows added later.
void DefaultsDialog::orderTabs() {
    std::vector<QWidget*> chain{user_, port_, key_, proxyJump_};
    for (const ExtraRow& row : extras_)
        chain.insert(chain.end(), {row.key, row.value, row.remove});
    chain.insert(chain.end(), {newKey_, newValue_, addButton_, cancelButton_, saveButton_});
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

Defaults DefaultsDialog::record() const {
    Defaults defaults;
    defaults.user = InputRules::trimWhitespace(text(user_));
    defaults.port = portFromField(text(port_)).value_or(22);
    defaults.keyId = key_->keyId();
    defaults.proxyJump = InputRules::nonEmptyTrimmed(text(proxyJump_));
    // A later row of the same name wins; values are kept exactly as typed.
    for (const ExtraRow& row : extras_) {
        const std::string key = InputRules::trimWhitespace(text(row.key));
        if (!key.empty())
            defaults.extraOptions[key] = text(row.value);
    }
    defaults.sourceFile = initial_.sourceFile;
    return defaults;
}

void DefaultsDialog::save() {
    if (canSave())
        onSave_(record());
}

// Return in the new option's fields adds the option rather than saving
// without it; with no name typed it saves, as everywhere else.
bool DefaultsDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == newKey_ || watched == newValue_) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && addButton_->isEnabled()) {
            addEntered();
            return true;
        }
    }
    return SheetDialog::eventFilter(watched, event);
}

} // namespace moorkeep
