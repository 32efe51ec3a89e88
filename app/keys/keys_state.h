#pragma once

#include "keys/key_sheet.h"
#include "model/ssh_key.h"

#include <QObject>
#include <QString>
#include <optional>
#include <string>

namespace moorkeep {

// What the Keys screen remembers while the window is open, also across
// switches to the Hosts tab. The sidebar, the detail pane and the screen's
// dialogs all follow its change signals.
class KeysState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<std::string>& selectedId() const { return selectedId_; }
    const QString& search() const { return search_; }
    const std::optional<KeySheet>& sheet() const { return sheet_; }
    const std::optional<SSHKey>& keyToDelete() const { return keyToDelete_; }

    void setSelectedId(std::optional<std::string> id);
    void setSearch(const QString& search);
    void setSheet(std::optional<KeySheet> sheet);
    void setKeyToDelete(std::optional<SSHKey> key);

signals:
    void selectedIdChanged();
    void searchChanged();
    void sheetChanged();
    void keyToDeleteChanged();

private:
    std::optional<std::string> selectedId_;
    QString search_;
    std::optional<KeySheet> sheet_;
    std::optional<SSHKey> keyToDelete_;
};

} // namespace moorkeep
