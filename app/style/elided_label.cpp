#include "elided_label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>

namespace moorkeep {

namespace {

// Name and value as a screen reader reads a field: what it is, then what it
// holds, never the shortened text. The whole value is also offered as the
// element's text, which is how AT-SPI readers read a label's contents.
class ElidedLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ElidedLabelAccessible(ElidedLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return full();
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return full();
        return QAccessibleWidget::text(kind);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(int start, int end) const override { return full().mid(start, end - start); }
    int characterCount() const override { return int(full().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }

private:
    QString full() const { return static_cast<const ElidedLabel*>(widget())->fullText(); }
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

void ElidedLabel::setFullText(const QString& text) {
    if (text == fullText_)
        return;
    fullText_ = text;
    updateGeometry();
    // Not laid out yet, it waits for its width as a new label does.
    if (testAttribute(Qt::WA_Resized)) {
        elide();
        return;
    }
    setText(fullText_);
    setToolTip(QString());
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
