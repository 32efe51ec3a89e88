#pragma once

#include "model/key_requests.h"
#include "model/list_edits.h"
#include "model/ssh_key.h"

#include <QFuture>
#include <optional>
#include <string>

namespace moorkeep {

class AppModel;
class ListReads;
class StoreCalls;

// The changes of the key pairs: renames and deletions applied to the
// published list at once and taken back if the store fails them; new keys
// and passphrases, which only the key tool can make, applied once made.
class KeyChanges {
public:
    KeyChanges(AppModel& model, StoreCalls& store, ListReads& reads);

    QFuture<void> renameKey(const SSHKey& key);
    QFuture<void> deleteKey(const SSHKey& key);
    // Its failure is for the dialog that asked.
    QFuture<void> generateKey(const GenerateKeyOptions& options,
                              const std::optional<std::string>& displayName);
    // Its failure is for the dialog that asked.
    QFuture<void> changePassphrase(const ChangePassphraseOptions& options);
    QFuture<void> recreatePublicKey(const RecreatePublicKeyOptions& options, ShownBy shownBy);

private:
    // The rename is taken back while the entry still shows it.
    void takeBackRename(const SSHKey& key, const std::optional<std::string>& previousName);
    PublishedList<SSHKey> keyList();

    AppModel& model_;
    StoreCalls& store_;
    ListReads& reads_;
};

} // namespace moorkeep
