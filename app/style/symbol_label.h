#pragma once

#include <QColor>
#include <QLabel>
#include <functional>

namespace moorkeep {

// A symbol at a fixed size in a colour role, redrawn when the palette
// changes: the search box's magnifying glass, a row's small marks.
class SymbolLabel : public QLabel {
    Q_OBJECT

public:
    SymbolLabel(const QString& symbol, int pixels, std::function<QColor()> color,
                QWidget* parent = nullptr);

    void setSymbol(const QString& symbol, std::function<QColor()> color);
    const QString& symbol() const { return symbol_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void render();

    QString symbol_;
    int pixels_;
    std::function<QColor()> color_;
};

} // namespace moorkeep
