#pragma once

#include <QColor>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace moorkeep {

// Paints one row of a sidebar list, with no widget per row: the selection,
// the entry's tile at the leading edge, marks at the trailing edge, and the
// title (with an optional mark after it) over the subtitle between them. A
// list's delegate says what its rows show.
class RowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The style's selection, or a soft accent wash (also under the pointer)
    // that keeps accent tiles and marks readable.
    enum class Selection { styled, accentWash };

    // lineGap: between the title and the subtitle; a row is at least
    // minimumHeight tall, and taller when its text needs it.
    RowDelegate(Selection selection, int lineGap, int minimumHeight, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const final;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const final;

protected:
    static constexpr int sidePadding = 8;
    static constexpr int tileToTextGap = 8;

    // What a row shows, in the colours of its state.
    struct Look {
        QString symbol{};
        QColor tileColor{};
        qreal tileOpacity{};
        QString title{};
        QString subtitle{};
        QColor titleColor{};
        QColor subtitleColor{};
        Qt::TextElideMode subtitleElide = Qt::ElideRight;
        int tileToText = tileToTextGap;
        QPixmap titleMark{}; // after the title, as many pixels from it
        int titleMarkGap = 0;
        int textRight = 0; // where the title and subtitle end
    };

    static QFont titleFont();
    static QFont subtitleFont();
    // Where the text starts: after the tile.
    static int textLeft(const QRect& row, int tileToText);

    // Paints the marks at the row's trailing edge, and says what the rest of
    // the row shows.
    virtual Look paintMarks(QPainter& painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const = 0;

private:
    void paintSelection(QPainter& painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const;

    Selection selection_;
    int lineGap_;
    int minimumHeight_;
};

} // namespace moorkeep
