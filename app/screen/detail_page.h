#pragma once

#include <QScrollArea>

class QVBoxLayout;

namespace moorkeep {

// One entry in a detail pane, as a page that scrolls: a column of sections,
// 24 apart and 28 from the edges, at most 720 wide, at the pane's leading
// edge, on the window's own background.
class DetailPage : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int maximumColumnWidth = 720;

protected:
    DetailPage(const QString& objectName, const QString& columnObjectName, QWidget* parent);

    QVBoxLayout* column() const { return column_; }
    // Puts the column, filled, on the page; aligned, it keeps to the width
    // it asks for rather than taking all it may.
    void showColumn(Qt::Alignment alignment = {});

private:
    QWidget* columnWidget_;
    QVBoxLayout* column_;
};

} // namespace moorkeep
