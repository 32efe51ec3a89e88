#pragma once

#include "model/ssh_key.h"

#include <QComboBox>
#include <string>
#include <vector>

namespace moorkeep {

// The key pop-up of the host and defaults dialogs: "None" (no key), then one
// entry "name (type)" per key. An id that names no listed key is kept as it
// is, with nothing chosen, until the user picks an entry.
class KeyPicker : public QComboBox {
    Q_OBJECT

public:
    explicit KeyPicker(const std::vector<SSHKey>& keys, QWidget* parent = nullptr);

    const std::string& keyId() const { return keyId_; }
    void setKeyId(const std::string& id);

private:
    std::string keyId_;
};

} // namespace moorkeep
