#pragma once

#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "screen/detail_page.h"

#include <functional>
#include <optional>

class QHBoxLayout;
class QLayout;

namespace moorkeep {

class BadgeLabel;
class CopyButton;
class ElidedLabel;
class HostFactsGrid;

// One host in the detail pane: the header with Connect, Edit and Delete,
// the connection command ready to copy (or to install a key with), the values OpenSSH uses as cards
// (with a warning where it ignores a line of the host's own block), the extra options and the other
// blocks that apply. Refilled whenever the host or its key changes: what every host has is kept,
// what a host may lack is there only while the host has it.
class HostDetailView : public DetailPage {
    Q_OBJECT

public:
    HostDetailView(std::function<void()> onEdit, std::function<void()> onDelete,
                   QWidget* parent = nullptr);

    // Shows the host from the top, with the command not yet copied.
    void setHost(SSHHost host, std::optional<SSHKey> keyInfo);
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
    QWidget* buildExtraOptions();
    QWidget* buildAlsoApplies();
    void setBadge(bool shown);
    // Puts next in the column after the widget in place of section.
    void replaceSection(QWidget*& section, QWidget* next, QWidget* after);

    SSHHost host_;
    std::optional<SSHKey> keyInfo_;
    std::function<void()> onEdit_;
    std::function<void()> onDelete_;
    bool filled_ = false;
    ElidedLabel* title_ = nullptr;
    QHBoxLayout* titleLine_ = nullptr;
    BadgeLabel* badge_ = nullptr;
    ElidedLabel* hostname_ = nullptr;
    CopyButton* copyButton_ = nullptr;
    ElidedLabel* command_ = nullptr;
    HostFactsGrid* facts_ = nullptr;
    QWidget* extraOptions_ = nullptr;
    QWidget* alsoApplies_ = nullptr;
};

} // namespace moorkeep
