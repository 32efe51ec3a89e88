#include "placeholder_pane.h"

#include <QLabel>
#include <QVBoxLayout>

namespace moorkeep {

PlaceholderPane::PlaceholderPane(const QString& name, QWidget* parent)
    : QWidget(parent)
    , summary_(new QLabel(this)) {
    auto* title = new QLabel(name, this);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    summary_->setObjectName(QStringLiteral("summaryLabel"));
    summary_->setForegroundRole(QPalette::PlaceholderText);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(summary_, 0, Qt::AlignHCenter);
    layout->addStretch();
}

void PlaceholderPane::setSummary(const QString& summary) {
    summary_->setText(summary);
}

} // namespace moorkeep
