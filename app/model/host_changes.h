#pragma once

#include "model/defaults.h"
#include "model/list_edits.h"
#include "model/ssh_host.h"

#include <QFuture>
#include <QString>
#include <cstddef>
#include <optional>

namespace moorkeep {

class AppModel;
class ListReads;
class StoreCalls;

// The changes of the hosts and the defaults: each applied to the published
// list at once, then made in the store, and taken back if that fails.
class HostChanges {
public:
    HostChanges(AppModel& model, StoreCalls& store, ListReads& reads);

    // moveAbove: the block first moves above that line of its file, in the
    // same change. A change OpenSSH would ignore fails with the block that
    // wins (CallEnd::ignored), for the caller to show. Undo names it `name`,
    // or "Add Host", "Move Host" or "Edit Host" and its alias.
    QFuture<void> saveHost(SSHHost host, std::optional<std::size_t> moveAbove = std::nullopt,
                           QString name = {});
    QFuture<void> deleteHost(const SSHHost& host);
    // The defaults are applied as soon as they are saved; the hosts, whose
    // effective values may have changed with them, come from a fresh
    // snapshot.
    QFuture<void> saveDefaults(const Defaults& defaults);

private:
    // The saved record takes the place of the entry the call changed.
    void applySaved(const SSHHost& host, const SSHHost& saved);
    // The call's own edit is taken back while the entry still shows it.
    void takeBack(const SSHHost& host, const std::optional<SSHHost>& replaced);
    PublishedList<SSHHost> hostList();

    AppModel& model_;
    StoreCalls& store_;
    ListReads& reads_;
};

} // namespace moorkeep
