#include "window/refusal_banner.h"

#include "diagnosis/diagnosis.h"
#include "model/app_model.h"
#include "style/colors.h"
#include "window/problems_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace moorkeep {

RefusalBanner::RefusalBanner(AppModel& model, QWidget* parent)
    : QFrame(parent)
    , model_(model)
    , text_(new QLabel) {
    setObjectName(QStringLiteral("refusalBanner"));
    setAccessibleName(tr("OpenSSH refuses the configuration"));
    setAutoFillBackground(true);
    text_->setObjectName(QStringLiteral("refusalBannerText"));
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* show = new QPushButton(tr("Show &Problems…"));
    show->setObjectName(QStringLiteral("showProblemsButton"));
    show->setAccessibleName(tr("Show every problem of the configuration"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(text_, 1);
    layout->addWidget(show);
    connect(show, &QPushButton::clicked, this,
            [this] { ProblemsDialog::showFor(model_, window()); });
    connect(&model_.diagnosis(), &ConfigDiagnosis::changed, this, &RefusalBanner::update);
    update();
}

void RefusalBanner::update() {
    const Finding* refusal = model_.diagnosis().current().refusal();
    setVisible(refusal != nullptr);
    if (!refusal)
        return;
    QPalette colours = palette();
    QColor fill = Colors::destructive();
    fill.setAlphaF(0.15f);
    colours.setColor(QPalette::Window, fill);
    setPalette(colours);
    text_->setText(QString::fromStdString(refusalSentence(*refusal)));
    text_->setAccessibleName(text_->text());
}

} // namespace moorkeep
