#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace moorkeep::test {

// What OpenSSH makes of a configuration for one host: each keyword of
// "ssh -G" with its values in order (IdentityFile, SendEnv and the forwards
// may have several).
using SshView = std::map<std::string, std::vector<std::string>>;

// Runs the real /usr/bin/ssh -G on the file (with -F, so no other
// configuration is read) with HOME set to the temporary home. Throws
// std::runtime_error when ssh rejects the file.
SshView sshView(const std::string& config, const std::string& host, const std::string& home);

// The keywords whose values differ between the two views.
std::set<std::string> changedKeywords(const SshView& before, const SshView& after);

// Every line feed preceded by a carriage return.
std::string withCrLf(std::string text);

} // namespace moorkeep::test
