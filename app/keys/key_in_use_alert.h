#pragma once

#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <functional>
#include <vector>

class QMessageBox;
class QWidget;

// What Delete on a key that hosts use says instead of asking: why it cannot
// be deleted, the hosts that use it, and a way to them.
namespace moorkeep::KeyInUseAlert {

// Opens it window-modal over parent; "Show Hosts" calls showHosts once the
// alert is closed. It deletes itself then.
QMessageBox* open(const SSHKey& key, const std::vector<SSHHost>& hosts, QWidget* parent,
                  std::function<void()> showHosts);

} // namespace moorkeep::KeyInUseAlert
