#include "hosts/problems_badge.h"

#include "model/app_model.h"
#include "style/colors.h"
#include "style/symbols.h"
#include "style/type_ramp.h"
#include "window/problems_dialog.h"

namespace moorkeep {

ProblemsBadge::ProblemsBadge(AppModel& model, QWidget* parent)
    : QToolButton(parent)
    , model_(model) {
    setObjectName(QStringLiteral("problemsBadge"));
    setAutoRaise(true);
    setFocusPolicy(Qt::StrongFocus);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setFont(TypeRamp::font(TypeRamp::Style::caption));
    connect(this, &QToolButton::clicked, this,
            [this] { ProblemsDialog::showFor(model_, window()); });
    connect(&model_.diagnosis(), &ConfigDiagnosis::changed, this, &ProblemsBadge::update);
    update();
}

void ProblemsBadge::update() {
    const Diagnosis& diagnosis = model_.diagnosis().current();
    const std::size_t errors = diagnosis.count(Severity::error);
    const std::size_t count = errors + diagnosis.count(Severity::warning);
    setVisible(count > 0);
    setText(QString::number(count));
    const QColor colour = errors > 0 ? Colors::destructive() : Colors::warning();
    setIcon(Symbols::icon(QStringLiteral("shield"), colour));
    QPalette colours = palette();
    colours.setColor(QPalette::ButtonText, colour);
    setPalette(colours);
    const QString said = tr("%n problems in the configuration", nullptr, static_cast<int>(count));
    setAccessibleName(said);
    setToolTip(said);
}

} // namespace moorkeep
