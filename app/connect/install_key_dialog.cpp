#include "connect/install_key_dialog.h"

#include "connect/terminal_launcher.h"
#include "dialogs/dialog_kit.h"
#include "openssh/ssh_command.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

template <typename Item>
int indexOf(const std::vector<Item>& items, const std::optional<std::string>& id) {
    for (std::size_t i = 0; id && i < items.size(); ++i)
        if (items[i].id == *id)
            return int(i);
    return items.empty() ? -1 : 0;
}

} // namespace

InstallKeyDialog::InstallKeyDialog(std::vector<SSHHost> hosts, std::vector<SSHKey> keys,
                                   const std::optional<std::string>& hostId,
                                   const std::optional<std::string>& keyId,
                                   std::function<void(const SSHKey&, const SSHHost&)> onInstall,
                                   QWidget* parent)
    : SheetDialog(QStringLiteral("installKeyDialog"), tr("Install Public Key on Host"), {}, parent)
    , hosts_(std::move(hosts))
    , keys_(std::move(keys))
    , onInstall_(std::move(onInstall))
    , hostBox_(new QComboBox)
    , keyBox_(new QComboBox)
    , command_(DialogKit::pathLine({}))
    , installButton_(new QPushButton(tr("&Install"))) {
    keyBox_->setObjectName(QStringLiteral("installKeyComboBox"));
    for (const SSHKey& key : keys_)
        keyBox_->addItem(QString::fromStdString(key.name) + QStringLiteral(" \u2014 ") +
                         QString::fromStdString(key.path));
    keyBox_->setCurrentIndex(indexOf(keys_, keyId));
    hostBox_->setObjectName(QStringLiteral("installHostComboBox"));
    for (const SSHHost& host : hosts_)
        hostBox_->addItem(QString::fromStdString(host.alias));
    hostBox_->setCurrentIndex(indexOf(hosts_, hostId));
    command_->setObjectName(QStringLiteral("installCommandLabel"));
    command_->setAccessibleName(tr("Command"));
    command_->setWordWrap(true);
    command_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    installButton_->setObjectName(QStringLiteral("installButton"));
    auto* cancel = new QPushButton(tr("&Cancel"));

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addWidget(DialogKit::title(windowTitle(), QStringLiteral("titleLabel")));
    auto* fields = DialogKit::fieldGroup();
    fields->addWidget(DialogKit::field(tr("KEY"), keyBox_));
    fields->addWidget(DialogKit::field(
        tr("HOST"), hostBox_,
        {DialogKit::hint(tr("ssh-copy-id runs in a terminal, where it asks for the password "
                            "that logs in to the host now."))}));
    fields->addWidget(DialogKit::field(tr("COMMAND"), command_));
    layout->addLayout(fields);
    layout->addLayout(DialogKit::buttonRow(cancel, installButton_));

    connect(keyBox_, &QComboBox::currentIndexChanged, this, &InstallKeyDialog::updateCommand);
    connect(hostBox_, &QComboBox::currentIndexChanged, this, &InstallKeyDialog::updateCommand);
    connect(cancel, &QPushButton::clicked, this, &InstallKeyDialog::reject);
    connect(installButton_, &QPushButton::clicked, this, &InstallKeyDialog::install);
    updateCommand();
}

// A choice ssh-copy-id would misread shows why in place of the command.
void InstallKeyDialog::updateCommand() {
    const int key = keyBox_->currentIndex();
    const int host = hostBox_->currentIndex();
    installButton_->setEnabled(false);
    if (key < 0 || host < 0) {
        command_->setText(tr("Choose a key and a host."));
        return;
    }
    const SSHHost& target = hosts_[std::size_t(host)];
    const std::string path = TerminalLauncher::publicKeyPath(keys_[std::size_t(key)]);
    if (auto refusal = SSHCommand::copyIdRefusal(target, path)) {
        command_->setText(QString::fromStdString(*refusal));
        return;
    }
    installButton_->setEnabled(true);
    command_->setText(
        QString::fromStdString(SSHCommand::joined(SSHCommand::copyIdArguments(target, path))));
}

void InstallKeyDialog::install() {
    const int key = keyBox_->currentIndex();
    const int host = hostBox_->currentIndex();
    if (key < 0 || host < 0)
        return;
    onInstall_(keys_[std::size_t(key)], hosts_[std::size_t(host)]);
    accept();
}

} // namespace moorkeep
