#include "detail_pane.h"

#include <QVBoxLayout>

namespace moorkeep {

DetailPane::DetailPane(const QString& objectName, QWidget* parent)
    : QWidget(parent) {
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void DetailPane::showEmpty(bool anyEntries) {
    if (shown_ && emptyForAny_ == anyEntries)
        return;
    replaceShown(makeEmptyState(anyEntries));
    emptyForAny_ = anyEntries;
}

void DetailPane::showView(QWidget* view) {
    replaceShown(view);
    emptyForAny_.reset();
}

// The old view leaves the window at once (tests and screen readers see only
// the new one) but is deleted later: a click of its own may have led here,
// and it is still in that event.
void DetailPane::replaceShown(QWidget* next) {
    if (shown_) {
        layout()->removeWidget(shown_);
        shown_->setParent(nullptr);
        shown_->deleteLater();
    }
    layout()->addWidget(next);
    shown_ = next;
}

} // namespace moorkeep
