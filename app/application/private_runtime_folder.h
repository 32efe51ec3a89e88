#pragma once

#include <QString>

// A folder for sockets that only this user can reach: the session's runtime
// folder (XDG_RUNTIME_DIR) when it is private, else one of the program's own
// in the cache folder. A shared temporary folder never serves, as another
// user could be listening there first.
namespace moorkeep::PrivateRuntimeFolder {

// The folder, made when it is the program's own and missing; empty when
// neither is a plain folder owned by this user that no one else may enter.
QString path();

} // namespace moorkeep::PrivateRuntimeFolder
