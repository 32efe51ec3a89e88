#pragma once

#include "updates/update_check_result.h"

#include <QDialog>
#include <QUrl>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace moorkeep {

// The window of an update check: "checking" with a Cancel button while the
// feed is read, then what the check found. It only shows; the controller
// that owns it runs the check and opens the download page.
class UpdateDialog : public QDialog {
    Q_OBJECT

public:
    // The most of a feed's release notes the dialog shows.
    static constexpr qsizetype notesShownLimit = 20000;

    explicit UpdateDialog(QWidget* parent = nullptr);

    void showChecking();
    void showResult(const UpdateCheckResult& result);

    bool isChecking() const { return checking_; }

signals:
    // The user chose to open the download page of the newer version.
    void downloadRequested(const QUrl& page);

private:
    static QString shownNotes(const QString& notes);
    void showMessage(const QString& title, const QString& message);
    void makeDefault(QPushButton* button);

    QLabel* titleLabel_;
    QLabel* messageLabel_;
    QProgressBar* progressBar_;
    QPlainTextEdit* releaseNotesView_;
    QPushButton* cancelButton_;
    QPushButton* downloadButton_;
    QPushButton* closeButton_;
    QUrl downloadPage_;
    bool checking_ = false;
};

} // namespace moorkeep
