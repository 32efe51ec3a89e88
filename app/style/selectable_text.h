#pragma once

#include <QTextEdit>
#include <functional>

namespace moorkeep {

// Read-only text the user can select with the mouse or the keyboard, wrapped
// anywhere when it has no spaces (a public key, a fingerprint), and exactly
// as tall as its text at the width it is given.
class SelectableText : public QTextEdit {
    Q_OBJECT

public:
    SelectableText(const QString& text, const QFont& font, std::function<QColor()> color,
                   QWidget* parent = nullptr);

    QString text() const { return toPlainText(); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyColor();

    std::function<QColor()> color_;
    // Layouts ask for the same width many times; measuring lays the text out.
    mutable int measuredWidth_ = -1;
    mutable int measuredHeight_ = 0;
};

} // namespace moorkeep
