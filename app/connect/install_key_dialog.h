#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace moorkeep {

// Chooses a key and a host to install the key's public half on, showing the
// exact command that will run in a terminal, or why ssh-copy-id would
// misread the choice (which then cannot be installed). Starts at the given
// host and key when they are listed, else at the first of each. Hands the
// choice to onInstall and closes.
class InstallKeyDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 520;

    InstallKeyDialog(std::vector<SSHHost> hosts, std::vector<SSHKey> keys,
                     const std::optional<std::string>& hostId,
                     const std::optional<std::string>& keyId,
                     std::function<void(const SSHKey&, const SSHHost&)> onInstall,
                     QWidget* parent = nullptr);

private:
    void updateCommand();
    void install();

    std::vector<SSHHost> hosts_;
    std::vector<SSHKey> keys_;
    std::function<void(const SSHKey&, const SSHHost&)> onInstall_;
    QComboBox* hostBox_;
    QComboBox* keyBox_;
    QLabel* command_;
    QPushButton* installButton_;
};

} // namespace moorkeep
