#include "hosts/defaults_dialog.h"

#include "dialogs/dialog_kit.h"
#include "hosts/extra_options_table.h"
#include "hosts/key_picker.h"
#include "model/input_rules.h"
#include "model/port_rule.h"
#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

namespace moorkeep {

namespace {

using DialogKit::text;
using DialogKit::textField;

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
    , extras_(new ExtraOptionsTable(initial_.extraOptions))
    , cancelButton_(new QPushButton(tr("&Cancel")))
    , saveButton_(new QPushButton(tr("&Save Defaults"))) {
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
    connect(extras_, &ExtraOptionsTable::rowsChanged, this, &DefaultsDialog::orderTabs);
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
    form->addWidget(extras_);
    return form;
}

bool DefaultsDialog::canSave() const {
    return !portProblem(text(port_));
}

void DefaultsDialog::validate() {
    const auto portIssue = portProblem(text(port_));
    portProblemLine_->setText(QString::fromStdString(portIssue.value_or(std::string())));
    portProblemLine_->setVisible(portIssue.has_value());
    saveButton_->setEnabled(canSave());
}

// The tab order follows the layout, also for rows added later.
void DefaultsDialog::orderTabs() {
    std::vector<QWidget*> chain{user_, port_, key_, proxyJump_};
    const auto options = extras_->focusChain();
    chain.insert(chain.end(), options.begin(), options.end());
    chain.insert(chain.end(), {cancelButton_, saveButton_});
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

Defaults DefaultsDialog::record() const {
    Defaults defaults;
    defaults.user = InputRules::trimWhitespace(text(user_));
    defaults.port = portFromField(text(port_)).value_or(22);
    defaults.keyId = key_->keyId();
    defaults.proxyJump = InputRules::nonEmptyTrimmed(text(proxyJump_));
    defaults.extraOptions = extras_->options();
    defaults.sourceFile = initial_.sourceFile;
    return defaults;
}

void DefaultsDialog::save() {
    if (canSave())
        onSave_(record());
}

bool DefaultsDialog::eventFilter(QObject* watched, QEvent* event) {
    return extras_->tookReturn(watched, event) || SheetDialog::eventFilter(watched, event);
}

} // namespace moorkeep
