#include "editing/config_body.h"

#include "model/ascii.h"

#include <map>

namespace moorkeep::config {

namespace {

using Directives = std::vector<std::pair<std::string, std::string>>;

const std::string* keyPath(const std::string& keyId, const KeyIdToPath& keyIdToPath) {
    const auto entry = keyIdToPath.find(keyId);
    return entry == keyIdToPath.end() ? nullptr : &entry->second;
}

// An absent and an empty optional text both mean "none".
std::string orEmpty(const std::optional<std::string>& text) {
    return text.value_or("");
}

// The entries of each extra option, by its name without regard to case.
// std::map orders by byte, which for UTF-8 is code-point order.
std::map<std::string, OptionMap> optionGroups(const OptionMap& options) {
    std::map<std::string, OptionMap> groups;
    for (const auto& [key, value] : options)
        groups[asciiLower(key)][key] = value;
    return groups;
}

class GroupList {
public:
    explicit GroupList(bool everything)
        : everything_(everything) {}

    // Adds the group when its value changed, or for a new block when it has
    // something to write.
    void add(std::string keyword, bool changed, Directives directives) {
        if (changed || (everything_ && !directives.empty()))
            groups_.push_back({std::move(keyword), std::move(directives)});
    }

    template <typename Render>
    void addOptions(const OptionMap* before, const OptionMap& after, Render render) {
        const auto afterGroups = optionGroups(after);
        std::map<std::string, OptionMap> beforeGroups;
        if (before)
            beforeGroups = optionGroups(*before);
        // Written in the code-point order of their first spelling; a group
        // only `before` has renders nothing, so its place does not matter.
        std::map<std::string, std::string> order;
        for (const auto& [name, entries] : afterGroups)
            order[entries.begin()->first] = name;
        for (const auto& [name, entries] : beforeGroups)
            if (!afterGroups.contains(name))
                order[entries.begin()->first] = name;
        for (const auto& [first, name] : order) {
            const auto was = beforeGroups.find(name);
            const auto now = afterGroups.find(name);
            const OptionMap none;
            const OptionMap& nowEntries = now == afterGroups.end() ? none : now->second;
            const bool changed =
                !everything_ && (was == beforeGroups.end() ? none : was->second) != nowEntries;
            Directives directives;
            for (const auto& [key, value] : nowEntries)
                if (render(key, value))
                    directives.emplace_back(key, value);
            add(name, changed, std::move(directives));
        }
    }

    std::vector<FieldGroup> take() { return std::move(groups_); }

private:
    bool everything_;
    std::vector<FieldGroup> groups_;
};

Directives one(bool wanted, std::string keyword, std::string value) {
    Directives directives;
    if (wanted)
        directives.emplace_back(std::move(keyword), std::move(value));
    return directives;
}

} // namespace

std::vector<FieldGroup> changedHostGroups(const std::optional<SSHHost>& before,
                                          const SSHHost& after, const Defaults& defaults,
                                          const KeyIdToPath& keyIdToPath) {
    GroupList groups(!before);
    auto changed = [&](auto field) { return before && field(*before) != field(after); };

    // A host without a HostName line connects to its alias: a rename keeps
    // where it connects only when the old name is written out.
    const bool renamed = before && before->alias != after.alias;
    groups.add(
        "HostName", renamed || changed([](const SSHHost& h) { return h.hostname; }),
        one(!after.hostname.empty() && after.hostname != after.alias, "HostName", after.hostname));
    groups.add("User", changed([](const SSHHost& h) { return h.user; }),
               one(!after.user.empty() && after.user != defaults.user, "User", after.user));
    // A port of its own is written whenever the defaults say otherwise, 22
    // included: the host's own Port line wins over the defaults.
    groups.add("Port", changed([](const SSHHost& h) { return h.port; }),
               one(after.port != defaults.port, "Port", std::to_string(after.port)));
    const std::string keyId = orEmpty(after.keyId);
    const std::string* path = keyPath(keyId, keyIdToPath);
    // An empty key asks for no key of the host's own: every IdentityFile line
    // of the block goes, those naming no known key pair too.
    const bool noKeyAsked = before && after.keyId && after.keyId->empty();
    groups.add(
        "IdentityFile", noKeyAsked || changed([](const SSHHost& h) { return orEmpty(h.keyId); }),
        one(!keyId.empty() && keyId != defaults.keyId && path, "IdentityFile", path ? *path : ""));
    const std::string proxyJump = orEmpty(after.proxyJump);
    groups.add(
        "ProxyJump", changed([](const SSHHost& h) { return orEmpty(h.proxyJump); }),
        one(!proxyJump.empty() && defaults.proxyJump != after.proxyJump, "ProxyJump", proxyJump));
    groups.addOptions(before ? &before->extraOptions : nullptr, after.extraOptions,
                      [&](const std::string& key, const std::string& value) {
                          const auto inherited = defaults.extraOptions.find(key);
                          return inherited == defaults.extraOptions.end() ||
                                 inherited->second != value;
                      });
    return groups.take();
}

std::vector<FieldGroup> changedDefaultsGroups(const std::optional<Defaults>& before,
                                              const Defaults& after,
                                              const KeyIdToPath& keyIdToPath) {
    GroupList groups(!before);
    auto changed = [&](auto field) { return before && field(*before) != field(after); };

    groups.add("User", changed([](const Defaults& d) { return d.user; }),
               one(!after.user.empty(), "User", after.user));
    groups.add("Port", changed([](const Defaults& d) { return d.port; }),
               one(after.port != 22, "Port", std::to_string(after.port)));
    const std::string* path = keyPath(after.keyId, keyIdToPath);
    groups.add("IdentityFile", changed([](const Defaults& d) { return d.keyId; }),
               one(!after.keyId.empty() && path, "IdentityFile", path ? *path : ""));
    const std::string proxyJump = orEmpty(after.proxyJump);
    groups.add("ProxyJump", changed([](const Defaults& d) { return orEmpty(d.proxyJump); }),
               one(!proxyJump.empty(), "ProxyJump", proxyJump));
    groups.addOptions(before ? &before->extraOptions : nullptr, after.extraOptions,
                      [](const std::string&, const std::string&) { return true; });
    return groups.take();
}

std::vector<std::string> renderGroups(const std::vector<FieldGroup>& groups,
                                      std::string_view indentation) {
    std::vector<std::string> lines;
    for (const auto& group : groups)
        for (const auto& [keyword, value] : group.directives) {
            std::string line(indentation);
            line.append(keyword).append(" ").append(value);
            lines.push_back(std::move(line));
        }
    return lines;
}

} // namespace moorkeep::config
