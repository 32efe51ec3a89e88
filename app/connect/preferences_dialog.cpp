#include "connect/preferences_dialog.h"

#include "dialogs/dialog_kit.h"
#include "launch/command_words.h"
#include "launch/program_search.h"
#include "launch/terminal_choice.h"
#include "openssh/ssh_command.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

PreferencesDialog::PreferencesDialog(const std::optional<std::string>& preferredTerminal,
                                     std::function<void(std::optional<std::string>)> onSave,
                                     QWidget* parent)
    : SheetDialog(QStringLiteral("preferencesDialog"), tr("Preferences"), {}, parent)
    , onSave_(std::move(onSave))
    , terminalField_(new QLineEdit)
    , preview_(DialogKit::hint({}))
    , problem_(DialogKit::problem({}))
    , saveButton_(new QPushButton(tr("&Save"))) {
    terminalField_->setObjectName(QStringLiteral("preferredTerminalField"));
    terminalField_->setAccessibleName(tr("Preferred terminal"));
    terminalField_->setPlaceholderText(tr("Automatic"));
    terminalField_->setText(QString::fromStdString(preferredTerminal.value_or("")));
    preview_->setObjectName(QStringLiteral("terminalPreviewLabel"));
    preview_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    problem_->setObjectName(QStringLiteral("terminalProblemLabel"));
    problem_->setWordWrap(true);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    auto* cancel = new QPushButton(tr("&Cancel"));

    auto* explanation = DialogKit::hint(
        tr("The terminal that Connect and Install Public Key open. Its words are read as a "
           "shell reads them (no shell runs), and the command follows them. Left empty, the "
           "first found of xdg-terminal-exec, $TERMINAL, x-terminal-emulator, konsole, "
           "gnome-terminal, xfce4-terminal, kitty, alacritty, foot and xterm is used."));
    auto* below = new QWidget;
    auto* belowLayout = new QVBoxLayout(below);
    belowLayout->setContentsMargins(0, 0, 0, 0);
    belowLayout->setSpacing(4);
    belowLayout->addWidget(preview_);
    belowLayout->addWidget(problem_);
    belowLayout->addWidget(explanation);

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addWidget(DialogKit::title(windowTitle(), QStringLiteral("titleLabel")));
    layout->addWidget(DialogKit::field(tr("TERMINAL"), terminalField_, {below}));
    layout->addLayout(DialogKit::buttonRow(cancel, saveButton_));

    connect(terminalField_, &QLineEdit::textChanged, this, &PreferencesDialog::updatePreview);
    connect(cancel, &QPushButton::clicked, this, &PreferencesDialog::reject);
    connect(saveButton_, &QPushButton::clicked, this, &PreferencesDialog::save);
    updatePreview();
}

// What Connect would start for a host, with "HOST" standing for it.
void PreferencesDialog::updatePreview() {
    const std::string line = terminalField_->text().toStdString();
    problem_->clear();
    try {
        const auto chosen =
            TerminalChoice::choose(line, {"ssh", "HOST"}, TerminalChoice::ofThisProcess());
        if (!chosen) {
            preview_->setText(tr("No terminal was found: Connect will offer to copy the command."));
        } else {
            preview_->setText(
                tr("Connect runs: %1").arg(QString::fromStdString(SSHCommand::joined(*chosen))));
            if (!CommandWords::split(line).empty() && !ProgramSearch::onPath(chosen->front()))
                problem_->setText(tr("\u201c%1\u201d is not installed (not found on PATH).")
                                      .arg(QString::fromStdString(chosen->front())));
        }
        saveButton_->setEnabled(true);
    } catch (const std::exception& error) {
        preview_->clear();
        problem_->setText(QString::fromUtf8(error.what()));
        saveButton_->setEnabled(false);
    }
    preview_->setVisible(!preview_->text().isEmpty());
    problem_->setVisible(!problem_->text().isEmpty());
}

void PreferencesDialog::save() {
    if (!saveButton_->isEnabled())
        return;
    const std::string line = terminalField_->text().toStdString();
    onSave_(CommandWords::split(line).empty() ? std::nullopt : std::optional(line));
    accept();
}

} // namespace moorkeep
