#pragma once

#include "model/ssh_key.h"

#include <QString>
#include <optional>

namespace moorkeep {

// The dialog the Keys screen shows: rename, passphrase or add to the agent
// for one key, or generate. Its identity decides whether a new value replaces the open
// dialog.
struct KeySheet {
    enum class Kind { rename, passphrase, agentAdd, generate };

    Kind kind = Kind::generate;
    std::optional<SSHKey> key; // for all but generate

    static KeySheet rename(SSHKey key) { return {Kind::rename, std::move(key)}; }
    static KeySheet passphrase(SSHKey key) { return {Kind::passphrase, std::move(key)}; }
    static KeySheet agentAdd(SSHKey key) { return {Kind::agentAdd, std::move(key)}; }
    static KeySheet generate() { return {Kind::generate, std::nullopt}; }

    // "rename:<id>", "passphrase:<id>", "agent:<id>" or "generate".
    QString identity() const;

    bool operator==(const KeySheet&) const = default;
};

} // namespace moorkeep
