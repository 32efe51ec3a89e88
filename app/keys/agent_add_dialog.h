#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/agent_state.h"
#include "model/ssh_key.h"

#include <QFuture>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QPushButton;

namespace moorkeep {

class FailureBox;
class SecretField;

// Loads a key into the ssh-agent: how long the agent keeps it and, for a
// protected key, its passphrase. Stays open and busy until its owner closes
// it; a failure of onAdd's future is shown here and the passphrase field
// is cleared for another try. Every passphrase typed is wiped when the
// dialog closes.
class AgentAddDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 440;

    using OnAdd = std::function<QFuture<void>(const AgentAddOptions& options)>;

    // The lifetimes offered, in seconds; the first, none, keeps the key until
    // the agent stops. ssh-add is then run without -t: the agent's life is
    // the session's, so this is also "until logout", and the one choice says
    // both.
    static std::optional<std::int64_t> lifetimeAt(int index);

    AgentAddDialog(SSHKey keyInfo, OnAdd onAdd, std::function<void()> onCancel,
                   QWidget* parent = nullptr);
    ~AgentAddDialog() override;

    bool isAdding() const { return adding_; }
    void dismiss() override;

protected:
    bool isBusy() const override { return adding_; }
    void showEvent(QShowEvent* event) override;

private:
    void update();
    void add();
    void failed(const std::optional<QString>& message);

    SSHKey keyInfo_;
    OnAdd onAdd_;
    bool adding_ = false;

    QComboBox* lifetimeBox_;
    SecretField* passphraseField_ = nullptr;
    FailureBox* failure_;
    QPushButton* cancelButton_;
    QPushButton* addButton_;
};

} // namespace moorkeep
