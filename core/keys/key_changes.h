#pragma once

#include "keys/key_tool.h"
#include "model/key_requests.h"

#include <string>

// Creating and re-protecting key pairs with ssh-keygen. An empty passphrase
// is passed as the empty argument (the tool never prompts); a non-empty one
// is answered through Askpass and never appears in an argument list.
namespace moorkeep::KeyChanges {

inline constexpr double changeLimitSeconds = 15.0;

KeyToolResult generate(const std::string& toolPath, const std::string& privatePath,
                       const GenerateKeyOptions& options);

KeyToolResult changePassphrase(const std::string& toolPath, const std::string& privatePath,
                               const std::string& oldPassphrase, const std::string& newPassphrase);

// ssh-keygen -y: the public key line, with the comment the private key keeps.
KeyToolResult publicHalf(const std::string& toolPath, const std::string& privatePath,
                         const std::string& passphrase);

// The tool's own complaint, or "ssh-keygen exited with code N" when it wrote
// none.
std::string failureMessage(const KeyToolResult& result);

// The same for a run on a working copy, told of the key itself: the copy's
// path becomes shownPath and the tool's lines one line.
std::string failureMessage(const KeyToolResult& result, const std::string& workingPath,
                           const std::string& shownPath);

// The run failed because the current passphrase does not open the key.
bool isWrongPassphrase(const KeyToolResult& result);

} // namespace moorkeep::KeyChanges
