#include "window/problems_dialog.h"

#include "model/app_model.h"
#include "model/when_finished.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace moorkeep {
namespace {

constexpr int findingRole = Qt::UserRole + 1;

QString severityText(Severity severity) {
    switch (severity) {
    case Severity::error:
        return ProblemsDialog::tr("Error");
    case Severity::warning:
        return ProblemsDialog::tr("Warning");
    case Severity::note:
        break;
    }
    return ProblemsDialog::tr("Note");
}

QString summaryOf(const Diagnosis& diagnosis) {
    if (diagnosis.findings.empty())
        return ProblemsDialog::tr("OpenSSH accepts the configuration; nothing to report.");
    return ProblemsDialog::tr("%1 errors, %2 warnings, %3 notes")
        .arg(diagnosis.count(Severity::error))
        .arg(diagnosis.count(Severity::warning))
        .arg(diagnosis.count(Severity::note));
}

} // namespace

ProblemsDialog* ProblemsDialog::showFor(AppModel& model, QWidget* window) {
    auto* dialog = window->findChild<ProblemsDialog*>(QStringLiteral("problemsDialog"));
    if (!dialog)
        dialog = new ProblemsDialog(model, window);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

ProblemsDialog::ProblemsDialog(AppModel& model, QWidget* parent)
    : QDialog(parent)
    , model_(model)
    , summary_(new QLabel)
    , tree_(new QTreeWidget)
    , copy_(new QPushButton(tr("&Copy")))
    , fix_(new QPushButton(tr("&Fix Permissions"))) {
    setObjectName(QStringLiteral("problemsDialog"));
    setWindowTitle(tr("Configuration Problems"));
    setAccessibleName(tr("Configuration Problems"));
    resize(760, 420);
    summary_->setObjectName(QStringLiteral("problemsSummary"));
    summary_->setWordWrap(true);
    tree_->setObjectName(QStringLiteral("problemsTree"));
    tree_->setAccessibleName(tr("Problems by file"));
    tree_->setHeaderLabels({tr("Line"), tr("Severity"), tr("Message")});
    tree_->setRootIsDecorated(true);
    tree_->setWordWrap(true);
    tree_->header()->setStretchLastSection(true);
    copy_->setObjectName(QStringLiteral("copyProblemButton"));
    copy_->setAccessibleName(tr("Copy the problem as FILE:LINE message"));
    fix_->setObjectName(QStringLiteral("fixFindingButton"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(copy_, QDialogButtonBox::ActionRole);
    buttons->addButton(fix_, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(copy_, &QPushButton::clicked, this, &ProblemsDialog::copySelected);
    connect(fix_, &QPushButton::clicked, this, &ProblemsDialog::fixSelected);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &ProblemsDialog::updateButtons);
    connect(&model_.diagnosis(), &ConfigDiagnosis::changed, this, &ProblemsDialog::fill);
    fill();
    model_.diagnosis().recheck();
}

void ProblemsDialog::fill() {
    const Diagnosis& diagnosis = model_.diagnosis().current();
    summary_->setText(summaryOf(diagnosis));
    tree_->clear();
    QTreeWidgetItem* group = nullptr;
    for (std::size_t i = 0; i < diagnosis.findings.size(); ++i) {
        const Finding& finding = diagnosis.findings[i];
        const QString file = QString::fromStdString(finding.file);
        if (!group || group->text(0) != file) {
            group = new QTreeWidgetItem(tree_, {file});
            group->setFirstColumnSpanned(true);
            group->setExpanded(true);
        }
        auto* item = new QTreeWidgetItem(
            group, {finding.line > 0 ? QString::number(finding.line) : QString(),
                    severityText(finding.severity), QString::fromStdString(finding.message)});
        item->setData(0, findingRole, static_cast<qulonglong>(i));
        item->setToolTip(2, QString::fromStdString(findingLine(finding)));
    }
    tree_->resizeColumnToContents(0);
    tree_->resizeColumnToContents(1);
    if (group)
        tree_->setCurrentItem(tree_->topLevelItem(0)->child(0));
    updateButtons();
}

const Finding* ProblemsDialog::selected() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item || !item->parent())
        return nullptr;
    const auto& findings = model_.diagnosis().current().findings;
    const auto index = item->data(0, findingRole).toULongLong();
    return index < findings.size() ? &findings[index] : nullptr;
}

void ProblemsDialog::updateButtons() {
    const Finding* finding = selected();
    copy_->setEnabled(finding != nullptr);
    fix_->setEnabled(finding && finding->fix);
    const bool recreates = finding && finding->fix && !finding->fix->keyId.empty();
    fix_->setText(recreates ? tr("&Re-create Public Key") : tr("&Fix Permissions"));
    fix_->setAccessibleName(recreates ? tr("Re-create Public Key: rebuild the missing public file")
                                      : tr("Fix Permissions: make the file owner-only"));
}

void ProblemsDialog::copySelected() {
    if (const Finding* finding = selected()) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(findingLine(*finding)));
        model_.notify(tr("Problem copied"));
    }
}

void ProblemsDialog::fixSelected() {
    const Finding* finding = selected();
    if (!finding || !finding->fix)
        return;
    const QString file = QString::fromStdString(finding->file);
    fix_->setEnabled(false);
    // The key's own change: it rescans the keys, which checks again, and
    // says what it did.
    if (!finding->fix->keyId.empty()) {
        whenFinished(model_.recreatePublicKey({finding->fix->keyId, ""}), this,
                     [this](const CallEnd&) { updateButtons(); });
        return;
    }
    whenFinished(model_.diagnosis().applyFix(*finding->fix), this,
                 [this, file](const CallEnd& end) {
                     if (end.succeeded)
                         model_.notify(tr("Permissions of %1 fixed").arg(file));
                     else if (end.failure)
                         summary_->setText(*end.failure);
                     updateButtons();
                 });
}

} // namespace moorkeep
