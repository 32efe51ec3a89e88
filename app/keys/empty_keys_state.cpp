#include "keys/empty_keys_state.h"

#include "app_model.h"
#include "shortcuts.h"
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

EmptyKeysState::EmptyKeysState(AppModel& model, bool anyKeys, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("emptyKeysState"));

    auto* title = line(anyKeys ? tr("Select a key") : tr("No keys found"),
                       TypeRamp::font(TypeRamp::Style::headline), Colors::secondary());
    title->setObjectName(QStringLiteral("noKeysLabel"));
    auto* note = line(anyKeys ? tr("Choose a key in the sidebar, or generate a new one.")
                              : tr("No SSH keys detected in ~/.ssh"),
                      TypeRamp::font(TypeRamp::Style::caption), Colors::tertiary());
    note->setObjectName(QStringLiteral("emptyKeysNote"));

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(
        new SymbolLabel(QStringLiteral("key.fill"), 32, [] { return Colors::tertiary(); }), 0,
        Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addWidget(note);
    if (!anyKeys) {
        auto* rescan =
            new QPushButton(Symbols::icon(QStringLiteral("arrow.clockwise")), tr("Rescan"));
        rescan->setObjectName(QStringLiteral("rescanButton"));
        rescan->setAccessibleName(tr("Rescan"));
        rescan->setToolTip(Shortcuts::tip(tr("Scan ~/.ssh again"), Shortcuts::rescan()));
        connect(rescan, &QPushButton::clicked, this, [&model] { model.refreshKeys(); });
        layout->addSpacing(4);
        layout->addWidget(rescan, 0, Qt::AlignHCenter);
    }
    layout->addStretch();
}

} // namespace moorkeep
