#pragma once

#include "style/tinted_label.h"

namespace moorkeep {

// One line of text in a font and colour role that ends in "…" where the
// room runs out, the whole text then in its tooltip. Screen readers get the
// whole text as its value, under the accessible name when one is set.
class ElidedLabel : public TintedLabel {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, const QFont& font, std::function<QColor()> color,
                QWidget* parent = nullptr);

    const QString& fullText() const { return fullText_; }
    void setFullText(const QString& text);
    bool isElided() const { return text() != fullText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString fullText_;
};

} // namespace moorkeep
