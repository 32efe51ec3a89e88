#include "hosts/key_picker.h"

namespace moorkeep {

KeyPicker::KeyPicker(const std::vector<SSHKey>& keys, QWidget* parent)
    : QComboBox(parent) {
    setObjectName(QStringLiteral("keyPicker"));
    addItem(tr("None"), QString());
    for (const SSHKey& key : keys)
        addItem(QString::fromStdString(key.name) + QStringLiteral(" (") +
                    QString::fromStdString(key.type) + u')',
                QString::fromStdString(key.id));
    connect(this, &QComboBox::activated, this,
            [this](int index) { keyId_ = itemData(index).toString().toStdString(); });
}

void KeyPicker::setKeyId(const std::string& id) {
    keyId_ = id;
    setCurrentIndex(findData(QString::fromStdString(id)));
}

} // namespace moorkeep
