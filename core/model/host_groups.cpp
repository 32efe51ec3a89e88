#include "model/host_groups.h"

#include "files/paths.h"

#include <unordered_map>

namespace moorkeep::HostGroups {

std::vector<Group> byFile(const std::vector<SSHHost>& hosts, const std::vector<std::string>& files,
                          const std::string& mainFile) {
    std::vector<Group> groups;
    std::unordered_map<std::string, std::size_t> groupOfFile;
    auto groupOf = [&](const std::string& file) -> Group& {
        auto [at, added] = groupOfFile.try_emplace(file, groups.size());
        if (added)
            groups.push_back({file, {}});
        return groups[at->second];
    };
    groupOf(mainFile);
    for (const std::string& file : files)
        groupOf(file);
    Group stored;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const SSHHost& host = hosts[i];
        if (host.source == HostSource::user)
            stored.hosts.push_back(i);
        else
            groupOf(host.facts.block.file.empty() ? mainFile : host.facts.block.file)
                .hosts.push_back(i);
    }
    groups.push_back(std::move(stored));
    std::erase_if(groups, [](const Group& group) { return group.hosts.empty(); });
    return groups;
}

std::string title(const Group& group, std::string_view home) {
    return group.file.empty() ? std::string("Stored in Moorkeep") : paths::tilded(group.file, home);
}

} // namespace moorkeep::HostGroups
