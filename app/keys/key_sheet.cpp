#include "keys/key_sheet.h"

namespace moorkeep {

QString KeySheet::identity() const {
    const QString id = key ? QString::fromStdString(key->id) : QString();
    switch (kind) {
    case Kind::rename:
        return QStringLiteral("rename:") + id;
    case Kind::passphrase:
        return QStringLiteral("passphrase:") + id;
    case Kind::agentAdd:
        return QStringLiteral("agent:") + id;
    case Kind::generate:
        break;
    }
    return QStringLiteral("generate");
}

} // namespace moorkeep
