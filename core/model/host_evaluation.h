#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace moorkeep {

// A line of the configuration: the standardized path of its file and its
// number there, counted from 1.
struct ConfigPlace {
    std::string file;
    std::size_t line = 0;

    bool operator==(const ConfigPlace&) const = default;
};

// A value OpenSSH uses, and the line that gave it.
struct EffectiveValue {
    std::string keyword; // lower-case, as `ssh -G` prints it
    std::string value;   // the arguments as OpenSSH reads them, unquoted
    ConfigPlace place;
    bool own = false; // set by the host's own block (a Host line naming it)

    bool operator==(const EffectiveValue&) const = default;
};

// A line of the host's own block that OpenSSH never uses, because an earlier
// line gave the option first.
struct ShadowedLine {
    std::string keyword;
    std::string value;
    ConfigPlace place;
    std::string byValue; // what OpenSSH uses instead
    ConfigPlace by;
    std::string byBlock; // the Host or Match line of the block that wins

    bool operator==(const ShadowedLine&) const = default;
};

// A Host or Match line, as written.
struct ConfigCondition {
    std::string text;
    ConfigPlace place;

    bool operator==(const ConfigCondition&) const = default;
};

// What OpenSSH's client makes of the configuration for one destination name.
struct HostEvaluation {
    std::string name;
    // In the order OpenSSH met them; an option it accumulates (IdentityFile)
    // has one entry per distinct value.
    std::vector<EffectiveValue> effective;
    std::vector<ShadowedLine> shadowed;
    // Match lines whose conditions cannot be judged without running
    // something (exec, canonical, final, localnetwork); they count as not
    // matching.
    std::vector<ConfigCondition> unresolved;
    // The other blocks that apply: wildcard Host lines and Match lines.
    std::vector<ConfigCondition> alsoApplies;

    bool operator==(const HostEvaluation&) const = default;
};

// What the list of hosts keeps of an evaluation beyond the host's values.
struct HostFacts {
    // The host's own Host line; empty for a host the configuration did not
    // give.
    ConfigPlace block;
    std::vector<std::string> keyIds; // every known key OpenSSH offers, in its order
    // No IdentityFile applies, so keyIds are the default identity files
    // that exist.
    bool keysByDefault = false;
    std::vector<ShadowedLine> shadowed;
    std::vector<ConfigCondition> unresolved;
    std::vector<ConfigCondition> alsoApplies;

    bool operator==(const HostFacts&) const = default;
};

} // namespace moorkeep
