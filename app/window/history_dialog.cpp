#include "window/history_dialog.h"

#include "model/app_model.h"
#include "model/when_finished.h"
#include "stores/backup_diff.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace moorkeep {
namespace {

constexpr int backupRole = Qt::UserRole + 1;

QString shownPath(const std::string& file) {
    const QString path = QString::fromStdString(file);
    const QString home = QDir::homePath() + u'/';
    return path.startsWith(home) ? QStringLiteral("~/") + path.mid(home.size()) : path;
}

QString localTime(const std::string& utc) {
    QDateTime when = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QString::fromStdString(utc);
}

// "- " for the lines only the file holds now, "+ " for those only the backup holds.
QString diffText(const std::vector<BackupDiff::Line>& lines) {
    if (lines.empty())
        return HistoryDialog::tr("The file holds this backup's text now.");
    QString out;
    for (const auto& line : lines) {
        static const char* marks[] = {"  ", "- ", "+ ", "\u2026"};
        out += QString::fromUtf8(marks[static_cast<int>(line.kind)]) +
               QString::fromStdString(line.text) + u'\n';
    }
    return out;
}

} // namespace

HistoryDialog* HistoryDialog::showFor(AppModel& model, QWidget* window) {
    auto* dialog = window->findChild<HistoryDialog*>(QStringLiteral("historyDialog"));
    if (!dialog)
        dialog = new HistoryDialog(model, window);
    dialog->reload();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

HistoryDialog::HistoryDialog(AppModel& model, QWidget* parent)
    : QDialog(parent)
    , model_(model)
    , summary_(new QLabel)
    , tree_(new QTreeWidget)
    , diff_(new QPlainTextEdit)
    , restore_(new QPushButton(tr("&Restore"))) {
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(tr("History"));
    setAccessibleName(tr("History of the configuration files"));
    resize(860, 480);
    summary_->setObjectName(QStringLiteral("historySummary"));
    summary_->setWordWrap(true);
    tree_->setObjectName(QStringLiteral("historyTree"));
    tree_->setAccessibleName(tr("Backups by file"));
    tree_->setHeaderLabels({tr("Taken"), tr("Size")});
    tree_->header()->setStretchLastSection(true);
    diff_->setObjectName(QStringLiteral("historyDiff"));
    diff_->setAccessibleName(tr("Lines marked \u2212 are in the file now, + in the backup"));
    diff_->setReadOnly(true);
    diff_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    diff_->setLineWrapMode(QPlainTextEdit::NoWrap);
    restore_->setObjectName(QStringLiteral("restoreBackupButton"));
    restore_->setAccessibleName(tr("Restore the backup in place of its file"));
    auto* split = new QSplitter;
    split->addWidget(tree_);
    split->addWidget(diff_);
    split->setStretchFactor(1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(tr("&Close"));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("closeHistoryButton"));
    buttons->addButton(restore_, QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(restore_, &QPushButton::clicked, this, &HistoryDialog::restoreSelected);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &HistoryDialog::compareSelected);
    connect(&model_, &AppModel::undoChanged, this, &HistoryDialog::reload);
}

void HistoryDialog::reload() {
    auto* watcher = new QFutureWatcher<std::vector<ConfigBackup>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        fill(watcher->future().result());
    });
    watcher->setFuture(model_.backups());
}

void HistoryDialog::fill(const std::vector<ConfigBackup>& backups) {
    const ConfigBackup* before = selected();
    const std::string keep = before ? before->id : std::string();
    backups_ = backups;
    tree_->clear();
    // Without a translation loaded, tr's %n keeps the plural, so the singular is spelled out.
    summary_->setText(backups_.empty() ? tr("No backups yet: one is kept before each change.")
                      : backups_.size() == 1
                          ? tr("1 backup.")
                          : tr("%1 backups, the newest first.").arg(backups_.size()));
    QTreeWidgetItem* current = nullptr;
    for (std::size_t i = 0; i < backups_.size(); ++i) {
        const QString file = shownPath(backups_[i].file);
        auto groups = tree_->findItems(file, Qt::MatchExactly);
        QTreeWidgetItem* group = groups.isEmpty() ? new QTreeWidgetItem(tree_, {file}) : groups[0];
        group->setFirstColumnSpanned(true);
        group->setExpanded(true);
        auto* item = new QTreeWidgetItem(
            group, {localTime(backups_[i].time),
                    tr("%1 bytes").arg(static_cast<qulonglong>(backups_[i].size))});
        item->setData(0, backupRole, static_cast<qulonglong>(i));
        if (!current || backups_[i].id == keep)
            current = item;
    }
    tree_->resizeColumnToContents(0);
    tree_->setCurrentItem(current);
    compareSelected();
}

const ConfigBackup* HistoryDialog::selected() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item || !item->parent())
        return nullptr;
    const auto index = item->data(0, backupRole).toULongLong();
    return index < backups_.size() ? &backups_[index] : nullptr;
}

void HistoryDialog::compareSelected() {
    const ConfigBackup* backup = selected();
    restore_->setEnabled(backup != nullptr);
    diff_->clear();
    if (!backup)
        return;
    const std::string id = backup->id;
    auto* watcher = new QFutureWatcher<std::optional<std::vector<BackupDiff::Line>>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, id] {
        watcher->deleteLater();
        const ConfigBackup* still = selected();
        if (!still || still->id != id)
            return;
        const auto lines = watcher->future().result();
        diff_->setPlainText(lines ? diffText(*lines) : tr("This backup cannot be read."));
    });
    watcher->setFuture(model_.backupDiff(id));
}

void HistoryDialog::restoreSelected() {
    const ConfigBackup* backup = selected();
    if (!backup)
        return;
    restore_->setEnabled(false);
    whenFinished(model_.restoreBackup(*backup), this, [this](const CallEnd& end) {
        if (end.failure)
            summary_->setText(*end.failure);
        reload();
    });
}

} // namespace moorkeep
