#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/defaults.h"
#include "model/ssh_key.h"
#include "openssh/defaults_overrides.h"

#include <functional>
#include <vector>

class QLineEdit;
class QLabel;
class QLayout;
class QPushButton;

namespace moorkeep {

class ExtraOptionsTable;
class KeyPicker;

// Edits the defaults of every host (the Host * block): user, port, key,
// ProxyJump and further options. Hands the new record to onSave; saves
// nothing itself, and the owner closes it (dismiss) in both callbacks.
class DefaultsDialog : public SheetDialog {
    Q_OBJECT

public:
    using SaveHandler = std::function<void(Defaults)>;

    // overrides: the hosts whose own values the Host * block overrides,
    // because it comes first; the dialog says so.
    DefaultsDialog(Defaults initial, const std::vector<SSHKey>& keys, SaveHandler onSave,
                   std::function<void()> onCancel, QWidget* parent = nullptr,
                   const std::vector<config::DefaultsOverride>& overrides = {});

    bool canSave() const;
    // The record a save hands over, from the fields as they stand.
    Defaults record() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLayout* heading(const std::vector<config::DefaultsOverride>& overrides);
    QLayout* form();
    void validate();
    void orderTabs();
    void save();

    Defaults initial_;
    SaveHandler onSave_;

    QLineEdit* user_;
    QLineEdit* port_;
    KeyPicker* key_;
    QLineEdit* proxyJump_;
    QLabel* portProblemLine_;
    ExtraOptionsTable* extras_;
    QPushButton* cancelButton_;
    QPushButton* saveButton_;
};

} // namespace moorkeep
