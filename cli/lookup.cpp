#include "lookup.h"

#include "cli_errors.h"
#include "files/paths.h"

#include <algorithm>

namespace moorkeep::cli {

namespace {

template <typename T, typename Predicate>
const T* firstWhere(const std::vector<T>& items, Predicate predicate) {
    auto it = std::find_if(items.begin(), items.end(), predicate);
    return it == items.end() ? nullptr : &*it;
}

} // namespace

const SSHHost& findHost(const std::vector<SSHHost>& hosts, std::string_view text) {
    const SSHHost* host = firstWhere(hosts, [&](const SSHHost& h) { return h.alias == text; });
    if (!host)
        host = firstWhere(hosts, [&](const SSHHost& h) { return h.id == text; });
    if (!host)
        throw RefusedInput("no host with the alias or id \"" + std::string(text) + "\"");
    return *host;
}

const SSHKey& findKey(const std::vector<SSHKey>& keys, std::string_view text) {
    const SSHKey* key = keyWithId(keys, text);
    if (!key)
        key = firstWhere(keys, [&](const SSHKey& k) { return k.name == text; });
    if (!key)
        key = firstWhere(keys, [&](const SSHKey& k) { return paths::baseName(k.path) == text; });
    if (!key)
        throw RefusedInput("no key with the id, name or file name \"" + std::string(text) + "\"");
    return *key;
}

const SSHKey* keyWithId(const std::vector<SSHKey>& keys, std::string_view id) {
    return firstWhere(keys, [&](const SSHKey& k) { return k.id == id; });
}

} // namespace moorkeep::cli
