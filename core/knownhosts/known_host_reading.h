#pragma once

#include "model/known_host_keys.h"

#include <string>

namespace moorkeep::knownhosts {

// The keys of the lookup's files that ssh takes for its lookup name, the
// user files first; files that cannot be read count as empty.
void readKeys(KnownHostKeys& lookup);

// Removes from the lookup's user files the lines `ssh-keygen -R` removes for
// its lookup name, leaving each file byte for byte as ssh-keygen would and
// its previous bytes as FILE.old beside it (written first), the file's mode
// kept. A file that changes meanwhile is read again. Nothing is changed
// when a file to change holds a line OpenSSH cannot read, as ssh-keygen
// refuses such a file. Throws FileError; `home` shortens the paths of
// messages.
ForgottenHostKeys forgetKeys(const KnownHostKeys& lookup, const std::string& home);

} // namespace moorkeep::knownhosts
