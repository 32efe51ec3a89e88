#pragma once

#include "model/agent_calls.h"
#include "model/app_tab.h"
#include "model/config_diagnosis.h"
#include "model/host_changes.h"
#include "model/key_changes.h"
#include "model/known_host_calls.h"
#include "model/list_reads.h"
#include "model/preference_calls.h"
#include "model/store_calls.h"
#include "model/undo_history.h"
#include "stores/vault_store.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

class Completion;

// The state every screen reads and the operations every screen calls. Lives
// on the user-interface thread; each store call runs on the model's own
// worker pool (StoreCalls) and its result is applied back on this thread.
// Changes are optimistic: the published list changes first, and a failed
// call takes back only its own change, so calls that overlap never undo one
// another. When calls on one list have overlapped and one of them failed,
// the list is read again from the store once the last of them has settled,
// so it ends up as the store holds it.
//
// Once loaded, the model follows changes that other programs make to the
// files it was read from: the lists they affect are read again, on the
// worker, once no call on them is running, and a reading that overlapped a
// call on its list is dropped and repeated, so it never undoes that call
// (ListReads).
//
// Every operation returns a future that finishes once its result has been
// applied, or fails with a StoreError whose message the user sees: that is
// how every caller learns how its call ended. The failures of generateKey,
// changePassphrase and addKeyToAgent are for the dialog that asked to show;
// the window shows any other as errorMessage.
class AppModel : public QObject {
    Q_OBJECT

public:
    explicit AppModel(std::shared_ptr<VaultStore> store, QObject* parent = nullptr);
    // Cancels the store calls not started, ends the programs running ones
    // wait on, and waits for those to fail, so none outlives the store.
    ~AppModel() override;

    AppTab tab() const { return tab_; }
    const std::vector<SSHHost>& hosts() const { return hosts_; }
    const std::vector<SSHKey>& keys() const { return keys_; }
    const Defaults& defaults() const { return defaults_; }
    // The configuration files the last reading met, in OpenSSH's reading
    // order; none for a store that reads no files.
    const std::vector<std::string>& configFiles() const { return configFiles_; }
    bool isLoading() const { return isLoading_; }
    // The failure the window's alert shows, until it is dismissed.
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    // What the last load could not use (files not read, too large, nested
    // too deep), one sentence each naming the file; for a notice that does
    // not stop the user.
    const QStringList& loadWarnings() const { return loadWarnings_; }
    // What the store told of the last change besides its outcome (that
    // OpenSSH could not check it), one sentence each; for a notice that does
    // not stop the user. The next change to end replaces it.
    const QStringList& changeNotices() const { return changeNotices_; }

    void setTab(AppTab tab);
    // The alert was dismissed.
    void clearErrorMessage();
    // Tells the user in passing that something was done (copied, saved);
    // the window shows it in its status line. Saves, renames and passphrase
    // changes that succeed say so themselves.
    void notify(const QString& message);

    // What the ssh-agent holds, as last asked; until then, an agent that
    // holds nothing.
    const AgentState& agent() const { return agent_; }

    // What ssh refuses or ignores in the set-up; follows the lists.
    ConfigDiagnosis& diagnosis() { return diagnosis_; }

    std::optional<SSHKey> keyWithId(const std::string& id) const;
    // The listed host of that id; none for no id or an id no longer listed.
    const SSHHost* hostWithId(const std::optional<std::string>& id) const;
    std::vector<SSHHost> hostsUsingKey(const std::string& keyId) const;
    KeyIdToPath keyIdToPath() const;

    // Records are taken by value: callers often pass an entry of the very
    // list that the operation changes.
    QFuture<void> load();
    // See HostChanges::saveHost; name: what Undo calls it, when not
    // "Add Host", "Edit Host" or "Move Host".
    QFuture<void> saveHost(SSHHost host, std::optional<std::size_t> moveAbove = std::nullopt,
                           const QString& name = {});
    QFuture<void> deleteHost(SSHHost host);
    QFuture<void> renameKey(SSHKey key);
    QFuture<void> deleteKey(SSHKey key);
    QFuture<void> refreshKeys();
    QFuture<void> generateKey(const GenerateKeyOptions& options,
                              const std::optional<std::string>& displayName);
    QFuture<void> changePassphrase(const ChangePassphraseOptions& options);
    // Writes a key's missing public file (ssh-keygen -y). A failure is the
    // window's to show unless a dialog asked.
    QFuture<void> recreatePublicKey(const RecreatePublicKeyOptions& options,
                                    ShownBy shownBy = ShownBy::window);
    QFuture<void> saveDefaults(const Defaults& defaults);
    // The terminal command line the user prefers; read from the store each
    // time, as another instance may have changed it. Nothing for the
    // automatic choice.
    QFuture<std::optional<std::string>> preferredTerminal();
    QFuture<void> setPreferredTerminal(std::optional<std::string> commandLine);
    // Asks the agent again. An answer is dropped when an agent change started
    // or ended while it was on its way: each change asks again when it ends.
    QFuture<void> refreshAgent();
    // The key shows as loaded as soon as the agent took it. The request's
    // passphrase is wiped once the store has used it.
    QFuture<void> addKeyToAgent(const AgentAddOptions& options);
    QFuture<void> removeKeyFromAgent(SSHKey key);
    // The host keys ssh trusts for the destination name, read from the
    // known_hosts files each time; forgetting removes them as ssh-keygen -R does.
    QFuture<KnownHostKeys> knownHostKeys(const std::string& name);
    QFuture<void> forgetHostKeys(const std::string& name);

    // The configuration changes made here, taken back and made again by
    // name (UndoHistory); undoChanged tells when the names change.
    std::optional<QString> undoName() const { return undo_.undoName(); }
    std::optional<QString> redoName() const { return undo_.redoName(); }
    QFuture<void> undo() { return undo_.undo(); }
    QFuture<void> redo() { return undo_.redo(); }
    // The backups of the configuration files, newest first, and the lines
    // that turn what one's file holds now into it (nothing when it cannot be
    // read); restoring one is a change Undo takes back.
    QFuture<std::vector<ConfigBackup>> backups();
    QFuture<std::optional<std::vector<BackupDiff::Line>>> backupDiff(const std::string& id);
    QFuture<void> restoreBackup(const ConfigBackup& backup);

signals:
    void tabChanged();
    void hostsChanged();
    void keysChanged();
    void defaultsChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void loadWarningsChanged();
    void changeNoticesChanged();
    void notified(const QString& message);
    void agentChanged();
    // A list was read again (after files changed elsewhere, or after
    // overlapping calls of which one failed) and what it read is applied;
    // the list changed signals come first when it differed.
    void rereadApplied();
    void undoChanged();

private:
    // The parts that do the model's work publish what it leads to.
    friend class ListReads;
    friend class HostChanges;
    friend class KeyChanges;
    friend class AgentCalls;
    friend class PreferenceCalls;
    friend class KnownHostCalls;
    friend class UndoHistory;

    void setHosts(std::vector<SSHHost> hosts);
    void setKeys(std::vector<SSHKey> keys);
    void setDefaults(Defaults defaults);
    void setConfigFiles(std::vector<std::string> files) { configFiles_ = std::move(files); }
    void setLoading(bool isLoading);
    void setLoadWarnings(QStringList warnings);
    void setChangeNotices(const QStringList& notices);
    void setAgent(AgentState agent);
    // The one way a call's failure leaves the model: its future fails with
    // the message, which the window shows too unless the caller does.
    void fail(const Completion& done, const QString& message);

    AppTab tab_ = AppTab::hosts;
    std::vector<SSHHost> hosts_;
    std::vector<SSHKey> keys_;
    Defaults defaults_;
    std::vector<std::string> configFiles_;
    bool isLoading_ = true;
    std::optional<QString> errorMessage_;
    QStringList loadWarnings_;
    QStringList changeNotices_;
    AgentState agent_;

    StoreCalls store_;
    ListReads reads_;
    UndoHistory undo_;
    HostChanges hostChanges_;
    KeyChanges keyChanges_;
    AgentCalls agentCalls_;
    PreferenceCalls preferenceCalls_;
    ConfigDiagnosis diagnosis_;
    KnownHostCalls knownHostCalls_;
};

} // namespace moorkeep
