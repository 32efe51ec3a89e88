#include "config/config_body.h"

namespace moorkeep::config {

namespace {

class BodyLines {
public:
    explicit BodyLines(std::string_view indentation)
        : indentation_(indentation) {}

    void add(std::string_view keyword, std::string_view value) {
        std::string line(indentation_);
        line.append(keyword).append(" ").append(value);
        lines_.push_back(std::move(line));
    }

    std::vector<std::string> take() { return std::move(lines_); }

private:
    std::string_view indentation_;
    std::vector<std::string> lines_;
};

const std::string* keyPath(const std::string& keyId, const KeyIdToPath& keyIdToPath) {
    const auto entry = keyIdToPath.find(keyId);
    return entry == keyIdToPath.end() ? nullptr : &entry->second;
}

} // namespace

// std::map<std::string, ...> orders keys by byte, which for UTF-8 is the
// code-point order the extra options are written in.

std::vector<std::string> renderHostBody(const SSHHost& host, const Defaults& defaults,
                                        const KeyIdToPath& keyIdToPath,
                                        std::string_view indentation) {
    BodyLines body(indentation);
    if (!host.hostname.empty() && host.hostname != host.alias)
        body.add("HostName", host.hostname);
    if (!host.user.empty() && host.user != defaults.user)
        body.add("User", host.user);
    if (host.port != 22 && host.port != defaults.port)
        body.add("Port", std::to_string(host.port));
    if (host.keyId && !host.keyId->empty() && *host.keyId != defaults.keyId) {
        if (const std::string* path = keyPath(*host.keyId, keyIdToPath))
            body.add("IdentityFile", *path);
    }
    if (host.proxyJump && !host.proxyJump->empty() && defaults.proxyJump != host.proxyJump)
        body.add("ProxyJump", *host.proxyJump);
    for (const auto& [key, value] : host.extraOptions) {
        const auto inherited = defaults.extraOptions.find(key);
        if (inherited == defaults.extraOptions.end() || inherited->second != value)
            body.add(key, value);
    }
    return body.take();
}

std::vector<std::string> renderDefaultsBody(const Defaults& defaults,
                                            const KeyIdToPath& keyIdToPath,
                                            std::string_view indentation) {
    BodyLines body(indentation);
    if (!defaults.user.empty())
        body.add("User", defaults.user);
    if (defaults.port != 22)
        body.add("Port", std::to_string(defaults.port));
    if (!defaults.keyId.empty()) {
        if (const std::string* path = keyPath(defaults.keyId, keyIdToPath))
            body.add("IdentityFile", *path);
    }
    if (defaults.proxyJump && !defaults.proxyJump->empty())
        body.add("ProxyJump", *defaults.proxyJump);
    for (const auto& [key, value] : defaults.extraOptions)
        body.add(key, value);
    return body.take();
}

} // namespace moorkeep::config
