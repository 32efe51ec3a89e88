#include "elided_label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>

namespace moorkeep {

namespace {

// Name and value as a screen reader reads a field: what it is, then what it
// holds, never the shortened text.
class ElidedLabelAccessible : public QAccessibleWidget {
public:
    explicit ElidedLabelAccessible(ElidedLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        const auto* label = static_cast<const ElidedLabel*>(widget());
        if (kind == QAccessible::Value)
            return label->fullText();
        if (kind == QAccessible::Name && label->accessibleName().isEmpty())
            return label->fullText();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
    if (className == QLatin1String(ElidedLabel::staticMetaObject.className()))
        if (auto* label = qobject_cast<ElidedLabel*>(object))
            return new ElidedLabelAccessible(label);
    return nullptr;
}

} // namespace

ElidedLabel::ElidedLabel(const QString& text, const QFont& font, std::function<QColor()> color,
                         QWidget* parent)
    : TintedLabel(text, font, std::move(color), parent)
    , fullText_(text) {
    static const bool accessible = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(accessible);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize ElidedLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(fullText_) + margins.left() + margins.right() + 1,
            TintedLabel::sizeHint().height()};
}

// Room for the first letters and the ellipsis.
QSize ElidedLabel::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(QStringLiteral("MM\u2026")) + margins.left() +
                margins.right(),
            TintedLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    TintedLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event) {
    TintedLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void ElidedLabel::elide() {
    const QString shown =
        fontMetrics().elidedText(fullText_, Qt::ElideRight, contentsRect().width());
    if (shown != text())
        setText(shown);
    setToolTip(isElided() ? fullText_ : QString());
}

} // namespace moorkeep
