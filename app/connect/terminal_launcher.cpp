#include "connect/terminal_launcher.h"

#include "connect/host_shortlist.h"
#include "dialogs/dialog_kit.h"
#include "launch/terminal_choice.h"
#include "model/app_model.h"
#include "openssh/ssh_command.h"
#include "window/shortcuts.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

namespace moorkeep {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QMessageBox* alert(const QString& objectName, const QString& title, QWidget* window) {
    QMessageBox* box = DialogKit::alert(objectName, title, window);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box;
}

} // namespace

TerminalLauncher::TerminalLauncher(AppModel& model, HostShortlist& shortlist, QObject* parent)
    : QObject(parent)
    , model_(model)
    , shortlist_(shortlist) {}

std::string TerminalLauncher::publicKeyPath(const SSHKey& key) {
    std::string path = key.path;
    if (path == "~" || path.rfind("~/", 0) == 0)
        path = QDir::homePath().toStdString() + path.substr(1);
    return path + ".pub";
}

void TerminalLauncher::connectTo(const SSHHost& host, QWidget* window) {
    run(SSHCommand::arguments(host), window,
        [this, alias = text(host.alias)] { shortlist_.addRecent(alias); });
}

void TerminalLauncher::installKey(const SSHKey& key, const SSHHost& host, QWidget* window) {
    const std::string path = publicKeyPath(key);
    if (auto refusal = SSHCommand::copyIdRefusal(host, path)) {
        warn(QStringLiteral("installKeyRefusedAlert"), tr("Cannot Install the Key"),
             tr("ssh-copy-id would misread this host or key."), text(*refusal), window);
        return;
    }
    run(SSHCommand::copyIdArguments(host, path), window, {});
}

// The preference is read off this thread; the window may be gone by then.
void TerminalLauncher::run(std::vector<std::string> command, QPointer<QWidget> window,
                           std::function<void()> onStarted) {
    const bool hadWindow = window;
    model_.preferredTerminal().then(this, [this, command = std::move(command), window, hadWindow,
                                           onStarted = std::move(onStarted)](
                                              std::optional<std::string> preferred) {
        if (hadWindow && !window)
            return;
        std::optional<std::vector<std::string>> arguments;
        try {
            arguments = TerminalChoice::choose(preferred, command, TerminalChoice::ofThisProcess());
        } catch (const std::exception& error) {
            showFailure(tr("The preferred terminal cannot be used."),
                        tr("%1. Change it in Preferences (%2).")
                            .arg(text(error.what()),
                                 Shortcuts::preferences().toString(QKeySequence::NativeText)),
                        window);
            return;
        }
        if (arguments)
            start(*arguments, window, onStarted);
        else
            offerCopy(command, window);
    });
}

void TerminalLauncher::start(const std::vector<std::string>& arguments, QWidget* window,
                             const std::function<void()>& onStarted) {
    QStringList list;
    for (const std::string& argument : arguments)
        list.append(text(argument));
    QProcess process;
    process.setProgram(list.front());
    process.setArguments(list.mid(1));
    process.setWorkingDirectory(QDir::homePath());
    // The terminal talks to the user in its own window, never on ours.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        showFailure(tr("The terminal \u201c%1\u201d could not be started.").arg(list.front()),
                    process.errorString(), window);
        return;
    }
    if (onStarted)
        onStarted();
}

void TerminalLauncher::offerCopy(const std::vector<std::string>& command, QWidget* window) {
    const QString line = text(SSHCommand::joined(command));
    QMessageBox* box = alert(QStringLiteral("noTerminalAlert"), tr("No Terminal Found"), window);
    box->setIcon(QMessageBox::Information);
    box->setText(tr("No terminal was found to run the command."));
    box->setInformativeText(
        tr("Choose one in Preferences (%1), or copy the command and run it in a terminal:\n\n%2")
            .arg(Shortcuts::preferences().toString(QKeySequence::NativeText), line));
    QPushButton* copy = box->addButton(tr("&Copy Command"), QMessageBox::AcceptRole);
    copy->setObjectName(QStringLiteral("copyTerminalCommandButton"));
    QPushButton* close = box->addButton(QMessageBox::Close);
    close->setText(tr("C&lose"));
    close->setObjectName(QStringLiteral("closeNoTerminalButton"));
    box->setDefaultButton(copy);
    box->setEscapeButton(close);
    connect(box, &QMessageBox::finished, this, [this, box, copy, line] {
        if (box->clickedButton() != copy)
            return;
        QGuiApplication::clipboard()->setText(line);
        model_.notify(tr("Command copied"));
    });
    box->open();
}

void TerminalLauncher::showFailure(const QString& text, const QString& detail, QWidget* window) {
    warn(QStringLiteral("terminalFailureAlert"), tr("Could Not Open a Terminal"), text, detail,
         window);
}

void TerminalLauncher::warn(const QString& objectName, const QString& title, const QString& text,
                            const QString& detail, QWidget* window) {
    QMessageBox* box = alert(objectName, title, window);
    box->setIcon(QMessageBox::Warning);
    box->setText(text);
    box->setInformativeText(detail);
    box->setStandardButtons(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setText(tr("&OK"));
    box->open();
}

} // namespace moorkeep
