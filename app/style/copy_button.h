#pragma once

#include <QColor>
#include <QToolButton>
#include <optional>

namespace moorkeep {

// "Copy" with the doc.on.doc symbol; after a press it puts its text alone on
// the clipboard and reads "Copied" with a check mark for 1.8 seconds. Every
// press starts its own 1.8 seconds, and each one's end clears the mark.
class CopyButton : public QToolButton {
    Q_OBJECT

public:
    static constexpr int copiedMilliseconds = 1800;

    enum class Look { bordered, borderless };

    CopyButton(Look look, QWidget* parent = nullptr);

    // The text a press copies; a new one is not copied yet.
    void setCopyText(const QString& text);
    bool isCopied() const { return copied_; }
    void copy();
    // Draws the symbols in this colour rather than the text's.
    void setSymbolColor(const QColor& color);
    // The name screen readers hear, which becomes "Copied" while the mark
    // shows.
    void setIdleAccessibleName(const QString& name);

private:
    void setCopied(bool copied);

    QString copyText_;
    bool copied_ = false;
    std::optional<QColor> symbolColor_;
    QString idleName_;
};

} // namespace moorkeep
