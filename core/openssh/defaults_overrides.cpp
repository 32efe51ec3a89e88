#include "openssh/defaults_overrides.h"

#include "model/ascii.h"
#include "openssh/ssh_arguments.h"

#include <algorithm>

namespace moorkeep::config {
bool isDefaultsHeader(std::string_view text) {
    const auto words = splitArguments(text);
    return words && words->size() == 2 && asciiLower((*words)[0]) == "host" && (*words)[1] == "*";
}

std::vector<DefaultsOverride> defaultsOverrides(const std::vector<SSHHost>& hosts) {
    std::vector<DefaultsOverride> overrides;
    for (const auto& host : hosts) {
        for (const auto& line : host.facts.shadowed) {
            if (!isDefaultsHeader(line.byBlock))
                continue;
            auto found = std::find_if(overrides.begin(), overrides.end(), [&](const auto& entry) {
                return entry.keyword == line.keyword && entry.value == line.byValue;
            });
            if (found == overrides.end())
                found = overrides.insert(overrides.end(), {line.keyword, line.byValue, {}});
            if (found->aliases.empty() || found->aliases.back() != host.alias)
                found->aliases.push_back(host.alias);
        }
    }
    return overrides;
}

} // namespace moorkeep::config
