#pragma once

#include "model/agent_state.h"
#include "model/ssh_key.h"

#include <QString>
#include <functional>
#include <vector>

class QMenu;

// The key entries that the tray menu and the main window's Keys menu share:
// one entry per key that has a public key, which copies that public key to
// the clipboard and is marked when the ssh-agent holds the key, or a
// disabled "No keys found".
namespace moorkeep::KeyMenuItems {

// Name, space, em dash, space, type: the Keys menu says what it copies in
// its title.
QString label(const SSHKey& key);
// "Copy Public Key: NAME", for a menu that holds other entries too.
QString copyLabel(const SSHKey& key);

// Appends the entries for keys, in their order, to menu (which owns them),
// each titled by labelOf; copied hears of each copy, to tell the user. Keys
// the agent holds are marked.
void addTo(QMenu* menu, const std::vector<SSHKey>& keys,
           const std::function<QString(const SSHKey&)>& labelOf,
           const std::function<void(const SSHKey&)>& copied, const AgentState& agent = {});

// What copied tells the user.
QString copiedMessage(const SSHKey& key);

} // namespace moorkeep::KeyMenuItems
