#include "hosts/extra_options_table.h"

#include "dialogs/dialog_kit.h"
#include "model/input_rules.h"
#include "style/caption_label.h"
#include "style/colors.h"
#include "style/symbols.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace moorkeep {

namespace {

using DialogKit::text;
using DialogKit::textField;

QHBoxLayout* line(QLineEdit* key, QLineEdit* value, QWidget* button) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(key, 1);
    layout->addWidget(value, 1);
    layout->addWidget(button);
    return layout;
}

} // namespace

ExtraOptionsTable::ExtraOptionsTable(const OptionMap& options, QWidget* parent)
    : QWidget(parent)
    , rowsLayout_(new QVBoxLayout)
    , newKey_(
          textField(QStringLiteral("newOptionName"), tr("New option name"), tr("New option name")))
    , newValue_(textField(QStringLiteral("newOptionValue"), tr("New option value"), tr("Value")))
    , addButton_(new QPushButton(tr("A&dd"))) {
    setObjectName(QStringLiteral("extraOptionsTable"));
    addButton_->setObjectName(QStringLiteral("addOptionButton"));
    addButton_->setAccessibleName(tr("Add option"));
    addButton_->setAutoDefault(false);
    addButton_->setEnabled(false);
    connect(addButton_, &QPushButton::clicked, this, &ExtraOptionsTable::addEntered);
    connect(newKey_, &QLineEdit::textChanged, this,
            [this] { addButton_->setEnabled(!InputRules::trimWhitespace(text(newKey_)).empty()); });

    auto* section = new QVBoxLayout(this);
    section->setContentsMargins(0, 0, 0, 0);
    section->setSpacing(8);
    section->addWidget(new CaptionLabel(tr("EXTRA OPTIONS")));
    rowsLayout_->setSpacing(8);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    section->addLayout(rowsLayout_);
    section->addLayout(line(newKey_, newValue_, addButton_));
    setOptions(options);
}

void ExtraOptionsTable::setOptions(const OptionMap& options) {
    for (const Row& row : rows_)
        delete row.line;
    rows_.clear();
    // std::map keeps its keys in byte order, which for UTF-8 is code-point order.
    for (const auto& [name, value] : options)
        addRow(QString::fromStdString(name), QString::fromStdString(value));
    emit rowsChanged();
}

void ExtraOptionsTable::addRow(const QString& key, const QString& value) {
    Row row;
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
    remove->setAccessibleName(tr("Remove option %1").arg(key));
    remove->setFocusPolicy(Qt::StrongFocus);
    row.remove = remove;
    QWidget* shown = row.line;
    connect(remove, &QToolButton::clicked, this, [this, shown] { removeRow(shown); });
    row.line->setLayout(line(row.key, row.value, remove));
    rowsLayout_->addWidget(row.line);
    rows_.push_back(row);
}

void ExtraOptionsTable::removeRow(QWidget* line) {
    std::erase_if(rows_, [&](const Row& row) { return row.line == line; });
    line->deleteLater();
    emit rowsChanged();
    // The focus leaves with the row: keep it in the table.
    newKey_->setFocus(Qt::OtherFocusReason);
}

void ExtraOptionsTable::addEntered() {
    const std::string key = InputRules::trimWhitespace(text(newKey_));
    if (key.empty())
        return;
    addRow(QString::fromStdString(key),
           QString::fromStdString(InputRules::trimWhitespace(text(newValue_))));
    newKey_->clear();
    newValue_->clear();
    emit rowsChanged();
    newKey_->setFocus(Qt::OtherFocusReason);
}

OptionMap ExtraOptionsTable::options() const {
    OptionMap options;
    for (const Row& row : rows_) {
        const std::string key = InputRules::trimWhitespace(text(row.key));
        if (!key.empty())
            options[key] = text(row.value);
    }
    return options;
}

std::vector<QWidget*> ExtraOptionsTable::focusChain() const {
    std::vector<QWidget*> chain;
    for (const Row& row : rows_)
        chain.insert(chain.end(), {row.key, row.value, row.remove});
    chain.insert(chain.end(), {newKey_, newValue_, addButton_});
    return chain;
}

// With no name typed, Return does what it does in any other field.
bool ExtraOptionsTable::tookReturn(QObject* watched, QEvent* event) {
    if ((watched != newKey_ && watched != newValue_) || event->type() != QEvent::KeyPress ||
        !addButton_->isEnabled())
        return false;
    const auto* press = static_cast<QKeyEvent*>(event);
    if ((press->key() != Qt::Key_Return && press->key() != Qt::Key_Enter) ||
        (press->modifiers() & Qt::ControlModifier))
        return false;
    addEntered();
    return true;
}

} // namespace moorkeep
