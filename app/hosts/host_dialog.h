#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;

namespace moorkeep {

class ExtraOptionsTable;
class KeyPicker;

// Adds a host or edits one. Checks what was typed and hands the finished
// record to onSave; it never saves anything itself, and the owner closes it
// (dismiss) in onSave and onCancel.
class HostDialog : public SheetDialog {
    Q_OBJECT

public:
    using SaveHandler = std::function<void(SSHHost)>;

    HostDialog(std::optional<SSHHost> existing, std::vector<SSHHost> allHosts,
               const std::vector<SSHKey>& keys, SaveHandler onSave, std::function<void()> onCancel,
               QWidget* parent = nullptr);

    const std::optional<SSHHost>& existing() const { return existing_; }
    bool isDuplicateAlias() const;
    bool canSave() const;
    // The record a save hands over, from the fields as they stand.
    SSHHost record() const;

    // Makes this a new host copied from another, titled "Duplicate Host":
    // its values under the alias "ALIAS-copy", and every further option it
    // has, in the options table.
    void fillAsCopyOf(const SSHHost& host);

    // The edited host was changed (now) or removed (nothing) by someone
    // else: saving would overwrite what they did, so it is no longer offered
    // until, for a changed host, the user reloads it.
    void markChangedOutside(std::optional<SSHHost> now = std::nullopt);
    // Takes the host as it is now for the fields the user left as they were,
    // keeps the others, and shows each field that both changed.
    void reload();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Saving while the fields do not allow it shows every rule in the way.
    void submit() override { save(); }

private:
    QLineEdit* textField(const QString& objectName, const QString& accessibleName,
                         const QString& placeholder);
    QLayout* heading();
    QLayout* form();
    void orderTabs();
    void fill(const SSHHost& host);
    void validate();
    // Whether the field's rule messages show: once it was left, once saving
    // was tried, and always for a host being edited.
    bool showsProblems(QLineEdit* field) const;
    void save();
    void reloadOptions(const SSHHost& base, const SSHHost& now, QStringList& conflicts);

    std::optional<SSHHost> existing_;
    std::optional<SSHHost> outside_;
    std::vector<SSHHost> allHosts_;
    SaveHandler onSave_;
    bool changedOutside_ = false;
    bool saveTried_ = false;
    QSet<QLineEdit*> left_;

    QLineEdit* alias_;
    QLineEdit* hostname_;
    QLineEdit* user_;
    QLineEdit* port_;
    KeyPicker* key_;
    QLineEdit* proxyJump_;
    QLabel* duplicateLine_;
    QLabel* aliasProblemLine_;
    QLabel* portProblemLine_;
    ExtraOptionsTable* extras_;
    QLabel* changedOutsideLine_;
    QPushButton* reloadButton_;
    QLabel* conflictsLine_;
    QPushButton* cancelButton_;
    QPushButton* saveButton_;
};

} // namespace moorkeep
