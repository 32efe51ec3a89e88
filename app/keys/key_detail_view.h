#pragma once

#include "keys/agent_actions.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "screen/detail_page.h"

#include <QLocale>
#include <functional>
#include <vector>

class QLayout;
class QPushButton;

namespace moorkeep {

class BadgeLabel;
class CopyButton;

// Everything about one key: the header with its actions (the ssh-agent's
// among them), the public key, the fingerprint, type, path and creation
// date, and the hosts that use it.
class KeyDetailView : public DetailPage {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> onRename;
        std::function<void()> onChangePassphrase;
        std::function<void()> onDelete;
        std::function<void()> onAddToAgent;
        std::function<void()> onRemoveFromAgent;
        std::function<void()> onRecreatePublicKey;
    };

    KeyDetailView(SSHKey keyInfo, std::vector<SSHHost> usedBy, Actions actions,
                  QWidget* parent = nullptr);

    const SSHKey& keyInfo() const { return keyInfo_; }
    const std::vector<SSHHost>& usedBy() const { return usedBy_; }

    CopyButton* fingerprintCopyButton() const { return copyFingerprint_; }
    CopyButton* publicKeyCopyButton() const { return copyKey_; }
    QPushButton* deleteButton() const { return deleteButton_; }
    BadgeLabel* inAgentBadge() const { return inAgentBadge_; }
    QPushButton* addToAgentButton() const { return addToAgent_; }
    QPushButton* removeFromAgentButton() const { return removeFromAgent_; }

    // The "In agent" badge and the agent buttons, changed in place so that
    // the rest of the detail (a copy button's "Copied") stays as it is.
    void showAgent(const AgentActions::Offer& offer);

    // The creation date in the short words of the locale ("8 Dec 2026"); the
    // stored text when it is not a date.
    // "RSA 3072": the kind as ssh-keygen -l names it and its size in bits.
    static QString typeText(const SSHKey& key);
    static QString createdText(const std::string& createdAt, const QLocale& locale = QLocale());

private:
    QWidget* buildHeader();
    QLayout* buildIdentity();
    QLayout* buildTitleLine();
    QWidget* buildPassphraseButton(bool locked);
    QLayout* buildActions();
    QPushButton* buildDeleteButton();
    QWidget* buildPublicKey();
    QWidget* buildCards();
    QWidget* buildHosts();

    SSHKey keyInfo_;
    std::vector<SSHHost> usedBy_;
    Actions actions_;
    CopyButton* copyFingerprint_ = nullptr;
    CopyButton* copyKey_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    BadgeLabel* inAgentBadge_ = nullptr;
    QPushButton* addToAgent_ = nullptr;
    QPushButton* removeFromAgent_ = nullptr;
};

} // namespace moorkeep
