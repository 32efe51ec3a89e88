#include "detail_page.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace moorkeep {

DetailPage::DetailPage(const QString& objectName, const QString& columnObjectName, QWidget* parent)
    : QScrollArea(parent)
    , columnWidget_(new QWidget)
    , column_(new QVBoxLayout(columnWidget_)) {
    setObjectName(objectName);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    columnWidget_->setObjectName(columnObjectName);
    columnWidget_->setMaximumWidth(maximumColumnWidth);
    column_->setContentsMargins(28, 28, 28, 28);
    column_->setSpacing(24);
}

void DetailPage::showColumn(Qt::Alignment alignment) {
    column_->addStretch();
    auto* page = new QWidget;
    page->setAutoFillBackground(false);
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(columnWidget_, 1, alignment);
    pageLayout->addStretch(0);
    setWidget(page);
    viewport()->setAutoFillBackground(false);
}

} // namespace moorkeep
