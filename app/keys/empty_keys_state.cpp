#include "keys/empty_keys_state.h"

#include "app_model.h"
#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/symbols.h"
#include "style/type_ramp.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

QLabel* line(const QString& text, const QFont& font, const QColor& color) {
    auto* label = new QLabel(text);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

EmptyKeysState::EmptyKeysState(AppModel& model, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("emptyKeysState"));

    auto* title =
        line(tr("No keys found"), TypeRamp::font(TypeRamp::Style::headline), Colors::secondary());
    title->setObjectName(QStringLiteral("noKeysLabel"));
    auto* note = line(tr("No SSH keys detected in ~/.ssh"),
                      TypeRamp::font(TypeRamp::Style::caption), Colors::tertiary());
    auto* rescan = new QPushButton(Symbols::icon(QStringLiteral("arrow.clockwise")), tr("Rescan"));
    rescan->setObjectName(QStringLiteral("rescanButton"));
    rescan->setAccessibleName(tr("Rescan"));
    connect(rescan, &QPushButton::clicked, this, [&model] { model.refreshKeys(); });

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(
        new SymbolLabel(QStringLiteral("key.fill"), 32, [] { return Colors::tertiary(); }), 0,
        Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addWidget(note);
    layout->addSpacing(4);
    layout->addWidget(rescan, 0, Qt::AlignHCenter);
    layout->addStretch();
}

} // namespace moorkeep
