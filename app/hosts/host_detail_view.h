#pragma once

#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "screen/detail_page.h"

#include <functional>
#include <optional>

class QLayout;

namespace moorkeep {

class CopyButton;

// One host in the detail pane: the header with Connect, Edit and Delete,
// the connection command ready to copy (or to install a key with), the values OpenSSH uses as cards
// (with a warning where it ignores a line of the host's own block), the extra options and the other
// blocks that apply. Made anew whenever the host or its key changes.
class HostDetailView : public DetailPage {
    Q_OBJECT

public:
    HostDetailView(SSHHost host, std::optional<SSHKey> keyInfo, std::function<void()> onEdit,
                   std::function<void()> onDelete, QWidget* parent = nullptr);

    const SSHHost& host() const { return host_; }
    // A section below the others, one that reads what it shows itself (such
    // as the host's findings or known host keys).
    void addSection(QWidget* section);
    const std::optional<SSHKey>& keyInfo() const { return keyInfo_; }

    // Puts the connection command on the clipboard and shows "Copied" for a
    // moment.
    void copyCommand();

signals:
    void connectRequested();
    void installKeyRequested();

private:
    QWidget* buildHeader();
    QLayout* buildTitles();
    QLayout* buildActions();
    QWidget* buildCommandCard();
    QWidget* buildCards();
    QWidget* buildExtraOptions();
    QWidget* buildAlsoApplies();
    // The type of the key shown, and whether it is a default identity.
    std::optional<QString> keyCaption() const;
    // What the card of this ssh -G keyword says when OpenSSH ignores a line
    // of the host's own block for it; empty when it does not.
    QString shadowNote(const std::string& keyword) const;

    SSHHost host_;
    std::optional<SSHKey> keyInfo_;
    std::function<void()> onEdit_;
    std::function<void()> onDelete_;
    CopyButton* copyButton_ = nullptr;
};

} // namespace moorkeep
