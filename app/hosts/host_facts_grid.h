#pragma once

#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <QWidget>
#include <optional>

class QGridLayout;

namespace moorkeep {

class HostDetailCard;

// The values OpenSSH uses for a host as cards, two a row: host name, user,
// port and identity key, and the jump host when there is one or a line of
// the block sets one that OpenSSH ignores. A card whose value OpenSSH takes
// from elsewhere warns of the line it ignores.
class HostFactsGrid : public QWidget {
    Q_OBJECT

public:
    explicit HostFactsGrid(QWidget* parent = nullptr);

    void setHost(const SSHHost& host, const std::optional<SSHKey>& keyInfo);

private:
    QGridLayout* layout_;
    HostDetailCard* hostname_;
    HostDetailCard* user_;
    HostDetailCard* port_;
    HostDetailCard* key_;
    HostDetailCard* proxyJump_ = nullptr;
};

} // namespace moorkeep
