#include "hosts/dialog_form.h"

#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace moorkeep::DialogForm {

QLabel* title(const QString& text) {
    auto* label = new TintedLabel(text, TypeRamp::font(TypeRamp::Style::title3, QFont::Bold),
                                  [] { return Colors::primary(); });
    label->setObjectName(QStringLiteral("dialogTitle"));
    return label;
}

QWidget* field(const QString& label, QWidget* input, bool required, QList<QWidget*> below) {
    const QFont font = TypeRamp::spaced(TypeRamp::font(TypeRamp::Style::caption2, QFont::DemiBold));
    auto* labelLine = new QHBoxLayout;
    labelLine->setSpacing(3);
    auto* name = new TintedLabel(label, font, [] { return Colors::secondary(); });
    name->setBuddy(input);
    labelLine->addWidget(name);
    if (required)
        labelLine->addWidget(
            new TintedLabel(QStringLiteral("*"), font, [] { return Colors::destructive(); }));
    labelLine->addStretch();

    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addLayout(labelLine);
    layout->addWidget(input);
    for (QWidget* line : below)
        layout->addWidget(line);
    return box;
}

QLabel* problemLine(const QString& objectName) {
    auto* line = new TintedLabel(QString(), TypeRamp::font(TypeRamp::Style::caption),
                                 [] { return Colors::destructive(); });
    line->setObjectName(objectName);
    line->setWordWrap(true);
    line->hide();
    return line;
}

QBoxLayout* pair(QWidget* first, QWidget* second) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(14);
    layout->addWidget(first, 1, Qt::AlignTop);
    layout->addWidget(second, 1, Qt::AlignTop);
    return layout;
}

} // namespace moorkeep::DialogForm
