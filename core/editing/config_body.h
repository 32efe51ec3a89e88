#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "stores/vault_store.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moorkeep::config {

// The directives of one field of a block: HostName, User, Port, IdentityFile,
// ProxyJump, or every spelling of one extra option. In a block, every line
// whose keyword equals `keyword` without regard to case belongs to it.
struct FieldGroup {
    std::string keyword;
    // What the writer renders for the field (keyword and value); empty when
    // the field needs no line, the defaults already giving its value.
    std::vector<std::pair<std::string, std::string>> directives;
};

// The groups of `after` whose value differs from `before`, in the order they
// are written (extra options in code-point order). Without `before` (a new
// block) every group that renders a line is there. A group that `before`
// has and `after` lacks comes with no directives, so that its lines go.
std::vector<FieldGroup> changedHostGroups(const std::optional<SSHHost>& before,
                                          const SSHHost& after, const Defaults& defaults,
                                          const KeyIdToPath& keyIdToPath);
std::vector<FieldGroup> changedDefaultsGroups(const std::optional<Defaults>& before,
                                              const Defaults& after,
                                              const KeyIdToPath& keyIdToPath);

// The directive lines of the groups, one per directive, each indented.
std::vector<std::string> renderGroups(const std::vector<FieldGroup>& groups,
                                      std::string_view indentation);

} // namespace moorkeep::config
