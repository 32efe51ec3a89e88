#include "update_dialog.h"

#include "style/type_ramp.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

void name(QWidget* widget, const char* objectName, const QString& accessibleName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessibleName);
}

} // namespace

QString UpdateDialog::shownNotes(const QString& notes) {
    // Laying out a feed's worth of text would hold the window for long; the
    // download page has the rest.
    if (notes.size() <= notesShownLimit)
        return notes;
    return notes.left(notesShownLimit) + QStringLiteral("…\n\n") +
           tr("The rest of the notes is on the download page.");
}

UpdateDialog::UpdateDialog(QWidget* parent)
    : QDialog(parent)
    , titleLabel_(new QLabel(this))
    , messageLabel_(new QLabel(this))
    , progressBar_(new QProgressBar(this))
    , releaseNotesView_(new QPlainTextEdit(this))
    , cancelButton_(new QPushButton(tr("&Cancel"), this))
    , downloadButton_(new QPushButton(tr("Open &Download Page"), this))
    , closeButton_(new QPushButton(tr("C&lose"), this)) {
    setObjectName(QStringLiteral("updateDialog"));
    setWindowTitle(tr("Software Update"));
    setAccessibleName(tr("Software Update"));
    setMinimumWidth(420);

    name(titleLabel_, "titleLabel", tr("Result"));
    titleLabel_->setFont(TypeRamp::font(TypeRamp::Style::headline, QFont::Bold));
    titleLabel_->setTextFormat(Qt::PlainText);
    titleLabel_->setWordWrap(true);

    name(messageLabel_, "messageLabel", tr("Details"));
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setWordWrap(true);
    messageLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    name(progressBar_, "progressBar", tr("Checking for updates"));
    progressBar_->setRange(0, 0);
    progressBar_->setTextVisible(false);

    name(releaseNotesView_, "releaseNotesView", tr("Release notes"));
    releaseNotesView_->setReadOnly(true);
    releaseNotesView_->setTabChangesFocus(true);
    // A line without spaces still wraps, instead of being laid out as one.
    releaseNotesView_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    releaseNotesView_->setMinimumHeight(160);

    name(cancelButton_, "cancelButton", tr("Cancel"));
    name(downloadButton_, "downloadButton", tr("Open Download Page"));
    name(closeButton_, "closeButton", tr("Close"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->addButton(cancelButton_, QDialogButtonBox::RejectRole);
    buttons->addButton(closeButton_, QDialogButtonBox::RejectRole);
    buttons->addButton(downloadButton_, QDialogButtonBox::AcceptRole);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(downloadButton_, &QPushButton::clicked, this, [this] {
        emit downloadRequested(downloadPage_);
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel_);
    layout->addWidget(messageLabel_);
    layout->addWidget(progressBar_);
    layout->addWidget(releaseNotesView_, 1);
    layout->addWidget(buttons);

    showChecking();
}

void UpdateDialog::showChecking() {
    checking_ = true;
    showMessage(tr("Checking for updates…"), {});
    progressBar_->show();
    releaseNotesView_->hide();
    downloadButton_->hide();
    closeButton_->hide();
    cancelButton_->show();
    makeDefault(cancelButton_);
}

void UpdateDialog::showResult(const UpdateCheckResult& result) {
    using Outcome = UpdateCheckResult::Outcome;
    checking_ = false;
    progressBar_->hide();
    cancelButton_->hide();
    bool available = result.outcome == Outcome::updateAvailable;
    downloadButton_->setVisible(available);
    closeButton_->show();
    downloadPage_ = available ? result.feed.downloadPage : QUrl();
    releaseNotesView_->setPlainText(available ? shownNotes(result.feed.releaseNotes) : QString());
    releaseNotesView_->setVisible(available && !result.feed.releaseNotes.isEmpty());

    switch (result.outcome) {
    case Outcome::noFeed:
        showMessage(tr("Updates come from your package manager."),
                    tr("This build of Moorkeep gets its updates from the system's package "
                       "manager. Moorkeep %1 is installed.")
                        .arg(result.runningVersion));
        break;
    case Outcome::upToDate:
        showMessage(tr("You're up to date."),
                    tr("Moorkeep %1 is the newest version.").arg(result.runningVersion));
        break;
    case Outcome::updateAvailable:
        showMessage(tr("Moorkeep %1 is available.").arg(result.feed.latestVersion),
                    tr("You have version %1. The download page has the new version.")
                        .arg(result.runningVersion));
        break;
    case Outcome::failed:
        showMessage(tr("Moorkeep couldn't check for updates."), result.errorMessage);
        break;
    }

    makeDefault(available ? downloadButton_ : closeButton_);
}

// Return presses it; only one button is the default at a time.
void UpdateDialog::makeDefault(QPushButton* button) {
    for (QPushButton* other : {cancelButton_, downloadButton_, closeButton_})
        other->setDefault(other == button);
    button->setFocus();
}

void UpdateDialog::showMessage(const QString& title, const QString& message) {
    titleLabel_->setText(title);
    messageLabel_->setText(message);
    messageLabel_->setVisible(!message.isEmpty());
}

} // namespace moorkeep
