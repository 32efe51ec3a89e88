#include "hosts/host_findings_card.h"

#include "model/app_model.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QLabel>
#include <QVBoxLayout>

namespace moorkeep {

HostFindingsCard::HostFindingsCard(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
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
    setVisible(false);
}

void HostFindingsCard::setHost(std::string alias, std::optional<std::string> keyFile) {
    alias_ = std::move(alias);
    keyFile_ = std::move(keyFile);
    update();
}

void HostFindingsCard::update() {
    const Diagnosis& diagnosis = model_.diagnosis().current();
    auto findings = diagnosis.aboutHost(alias_);
    for (const Finding& finding : diagnosis.findings)
        if (keyFile_ && finding.file == *keyFile_)
            findings.push_back(finding);
    while (rowLabels_.size() > findings.size()) {
        delete rowLabels_.back();
        rowLabels_.pop_back();
    }
    for (std::size_t index = 0; index < findings.size(); ++index) {
        const Finding& finding = findings[index];
        const bool error = finding.severity == Severity::error;
        const QString line = QString::fromUtf8(severityName(finding.severity)) +
                             QStringLiteral(": ") + QString::fromStdString(findingLine(finding));
        auto color = [error] { return error ? Colors::destructive() : Colors::primary(); };
        if (index < rowLabels_.size()) {
            rowLabels_[index]->setColor(color);
            rowLabels_[index]->setText(line);
            continue;
        }
        auto* row = new TintedLabel(line, TypeRamp::font(TypeRamp::Style::caption), color);
        row->setObjectName(QStringLiteral("hostFinding"));
        row->setWordWrap(true);
        row->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        rows_->addWidget(row);
        rowLabels_.push_back(row);
    }
    setVisible(!findings.empty());
}

} // namespace moorkeep
