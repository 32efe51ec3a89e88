#include "view_switch.h"

#include "model/app_model.h"
#include "style/symbols.h"
#include "window/shortcuts.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

namespace moorkeep {

namespace {

QToolButton* segment(const QString& objectName, const QString& text, const QIcon& icon,
                     QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(text);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

ViewSwitch::ViewSwitch(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , group_(new QButtonGroup(this))
    , hostsButton_(segment(QStringLiteral("hostsTabButton"), tr("Hosts"),
                           Symbols::icon(QStringLiteral("server.rack")), this))
    , keysButton_(segment(QStringLiteral("keysTabButton"), tr("Keys"),
                          Symbols::icon(QStringLiteral("key.fill")), this)) {
    setObjectName(QStringLiteral("viewSwitch"));
    setAccessibleName(tr("View"));
    setFixedWidth(controlWidth);
    hostsButton_->setToolTip(Shortcuts::tip(tr("Show Hosts"), Shortcuts::showHosts()));
    keysButton_->setToolTip(Shortcuts::tip(tr("Show Keys"), Shortcuts::showKeys()));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(hostsButton_);
    layout->addWidget(keysButton_);

    group_->setExclusive(true);
    group_->addButton(hostsButton_, int(AppTab::hosts));
    group_->addButton(keysButton_, int(AppTab::keys));
    // Toggled rather than clicked: a screen reader's "Toggle" checks the
    // button without clicking it.
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            model_.setTab(AppTab(id));
    });
    connect(&model_, &AppModel::tabChanged, this, &ViewSwitch::showTab);
    showTab();
}

void ViewSwitch::showTab() {
    group_->button(int(model_.tab()))->setChecked(true);
}

} // namespace moorkeep
