#include "hosts/host_findings_card.h"

#include "model/app_model.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QLabel>
#include <QVBoxLayout>

namespace moorkeep {

HostFindingsCard::HostFindingsCard(AppModel& model, std::string alias,
                                   std::optional<std::string> keyFile, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , alias_(std::move(alias))
    , keyFile_(std::move(keyFile)) {
    setObjectName(QStringLiteral("hostFindingsCard"));
    setAccessibleName(tr("Configuration problems of this host"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new TintedLabel(tr("CONFIGURATION PROBLEMS"),
                                      TypeRamp::font(TypeRamp::Style::caption),
                                      [] { return Colors::secondary(); }));
    auto* card = new CardFrame;
    rows_ = new QVBoxLayout(card);
    rows_->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(card);
    connect(&model_.diagnosis(), &ConfigDiagnosis::changed, this, &HostFindingsCard::update);
    update();
}

void HostFindingsCard::update() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const Diagnosis& diagnosis = model_.diagnosis().current();
    auto findings = diagnosis.aboutHost(alias_);
    for (const Finding& finding : diagnosis.findings)
        if (keyFile_ && finding.file == *keyFile_)
            findings.push_back(finding);
    for (const Finding& finding : findings) {
        const bool error = finding.severity == Severity::error;
        auto* row =
            new TintedLabel(QString::fromUtf8(severityName(finding.severity)) +
                                QStringLiteral(": ") + QString::fromStdString(findingLine(finding)),
                            TypeRamp::font(TypeRamp::Style::caption),
                            [error] { return error ? Colors::destructive() : Colors::primary(); });
        row->setObjectName(QStringLiteral("hostFinding"));
        row->setWordWrap(true);
        row->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        rows_->addWidget(row);
    }
    setVisible(!findings.empty());
}

} // namespace moorkeep
