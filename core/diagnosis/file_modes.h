#pragma once

#include "diagnosis/diagnosis_input.h"

#include <optional>
#include <string>
#include <vector>

// Owners and modes as OpenSSH requires them: configuration files it refuses
// when someone else owns them or others may write them, private keys it
// ignores when others may read them, and the .ssh folder.
namespace moorkeep::FileModes {

// "config-permissions" for the files of the configuration, "key-permissions"
// for private keys in ~/.ssh and those IdentityFile names,
// "folder-permissions" for ~/.ssh.
void check(const DiagnosisInput& input, std::vector<Finding>& findings);
// The "config-permissions" finding of one file of the configuration, if any.
std::optional<Finding> configFileFinding(const StoreFiles& files, const std::string& path);

// Sets the mode of the fix's file, which must still be the user's own plain
// file or folder; its bytes are not touched. Throws FileError.
void apply(const FindingFix& fix, const std::string& shownPath);

} // namespace moorkeep::FileModes
