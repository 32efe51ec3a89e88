#pragma once

#include "model/ssh_host.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_parser.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace moorkeep::config {

// The login name of the user running the program, as OpenSSH's Match user
// and localuser see it.
std::string localUserName();

// The key an IdentityFile value names: "~" and "%d" are the home directory,
// "%u" the local user, "%%" a percent sign; the path is compared after a
// lexical clean-up.
std::optional<std::string> keyIdOfIdentity(std::string_view value,
                                           const ConfigParser::KeyPathToId& keyPathToId,
                                           const std::string& homedir,
                                           const std::string& localUser);

// Gives configuration hosts, one at a time, what OpenSSH uses for their
// destination names: host name, user, port, key, jump host and extra
// options, and the facts of the evaluation (every key offered, shadowed
// lines, other blocks). One per thread: it remembers the keys that the
// files the hosts name are.
class HostValues {
public:
    // Without withFacts a host's facts are only the place of its block,
    // which is all a list shows of them.
    HostValues(const OpenSSHEvaluator& evaluator, const ConfigParser::KeyPathToId& keyPathToId,
               const std::string& homedir, const std::string& localUser, bool withFacts = true);
    // A host of another source is left as it is.
    void apply(SSHHost& host);

private:
    const std::optional<std::string>& keyIdOf(const std::string& value);

    const OpenSSHEvaluator& evaluator_;
    const ConfigParser::KeyPathToId& keyPathToId_;
    const std::string& homedir_;
    const std::string& localUser_;
    bool withFacts_;
    std::unordered_map<std::string, std::optional<std::string>> keyIds_;
    // The last host's evaluation, whose lists the next one reuses.
    EvaluatedLines found_;
};

// Gives each configuration host what OpenSSH uses for its destination name:
// host name, user, port, key, jump host and extra options, and the facts of
// the evaluation (every key offered, shadowed lines, other blocks).
void applyEvaluation(std::vector<SSHHost>& hosts, const OpenSSHEvaluator& evaluator,
                     const ConfigParser::KeyPathToId& keyPathToId, const std::string& homedir,
                     const std::string& localUser);

} // namespace moorkeep::config
