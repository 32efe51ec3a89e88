#pragma once

#include "model/ssh_key.h"
#include "screen/screen_sheet.h"

namespace moorkeep {

enum class KeySheetKind { rename, passphrase, agentAdd, recreatePublic, generate };

inline const char* kindName(KeySheetKind kind) {
    switch (kind) {
    case KeySheetKind::rename:
        return "rename";
    case KeySheetKind::passphrase:
        return "passphrase";
    case KeySheetKind::agentAdd:
        return "agent";
    case KeySheetKind::recreatePublic:
        return "recreatePublic";
    case KeySheetKind::generate:
        break;
    }
    return "generate";
}

// The dialog the Keys screen shows: rename, passphrase, add to the agent or
// re-create the public file for one key, or generate.
struct KeySheet : ScreenSheet<KeySheetKind, SSHKey> {
    using Kind = KeySheetKind;

    static KeySheet rename(SSHKey key) { return {{Kind::rename, std::move(key)}}; }
    static KeySheet passphrase(SSHKey key) { return {{Kind::passphrase, std::move(key)}}; }
    static KeySheet agentAdd(SSHKey key) { return {{Kind::agentAdd, std::move(key)}}; }
    static KeySheet recreatePublic(SSHKey key) { return {{Kind::recreatePublic, std::move(key)}}; }
    static KeySheet generate() { return {{Kind::generate, std::nullopt}}; }
};

} // namespace moorkeep
