#pragma once

#include "editing/config_body.h"
#include "model/defaults.h"
#include "model/ssh_host.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_document.h"
#include "reading/config_parser.h"
#include "stores/vault_store.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Whether a change of a host reaches what OpenSSH uses: OpenSSH takes the
// first value it meets, so a line written into a block that an earlier
// block already decides changes nothing.
namespace moorkeep::EffectCheck {

// The path as messages show it.
using ShowPath = std::function<std::string(const std::string& path)>;

// The index (from 0) of the line of the main file before which a new block
// for the name goes so that OpenSSH reads it first: the first block that
// applies to the name, or the block of the main file whose Include leads to
// it. Nothing when the block goes at the end.
std::optional<std::size_t> insertionLine(const config::OpenSSHEvaluator& evaluator,
                                         const std::string& mainFile, const std::string& name,
                                         const std::string& localUser);

// The first Host line that names the name itself, as OpenSSH reads it.
std::optional<ConfigCondition> namingLine(const config::ConfigDocument& document,
                                          const std::string& name);

struct Request {
    std::string name;                       // the destination OpenSSH evaluates
    std::vector<config::FieldGroup> groups; // what the change writes
    SSHHost asked;                          // the values asked for
    KeyIdToPath keyIdToPath;
    ConfigParser::KeyPathToId keyPathToId;
    std::string homedir;
    std::string localUser;
    std::string block; // how messages name the block changed
};

// The Host or Match line of the block a line stands in, when there is one.
const config::DocumentLine* headerOf(const config::ConfigDocument& document,
                                     const ConfigPlace& place);

// Throws FileError, naming the line that wins, when a value of a group the
// change writes is not what OpenSSH would use after it (`after` reads the
// changed text).
void requireEffect(const config::OpenSSHEvaluator& after, const Request& request,
                   const ShowPath& showPath);

} // namespace moorkeep::EffectCheck
