#pragma once

#include <QStyledItemDelegate>

namespace moorkeep {

// Paints the rows of a grouped sidebar list: a group's row (a chevron that
// says whether it is folded, its title and its count) itself, every other
// row through the list's own delegate, which it takes. Group rows are as
// tall as the others, so the list keeps its uniform row height.
class SectionRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SectionRowDelegate(QStyledItemDelegate* rows, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    static bool isHeader(const QModelIndex& index);
    void paintHeader(QPainter& painter, const QStyleOptionViewItem& option,
                     const QModelIndex& index) const;

    QStyledItemDelegate* rows_;
};

} // namespace moorkeep
