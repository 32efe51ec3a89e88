#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <functional>

namespace moorkeep {

// A label in a font of the type ramp and a colour role; the colour is asked
// for again whenever the palette changes, so dark themes stay readable.
class TintedLabel : public QLabel {
    Q_OBJECT

public:
    TintedLabel(const QString& text, const QFont& font, std::function<QColor()> color,
                QWidget* parent = nullptr);

    void setColor(std::function<QColor()> color);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();

    std::function<QColor()> color_;
    bool applying_ = false;
};

} // namespace moorkeep
