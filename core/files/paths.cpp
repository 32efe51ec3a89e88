#include "files/paths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace moorkeep::paths {

std::string join(std::string_view left, std::string_view right) {
    std::string out(left);
    if (out.empty() || out.back() != '/')
        out += '/';
    out += right;
    return out;
}

std::string parent(std::string_view path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

std::string baseName(std::string_view path) {
    auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string currentUserHome() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string expandTilde(std::string_view path, std::string_view home) {
    if (path.empty() || path.front() != '~')
        return std::string(path);
    auto slash = path.find('/');
    std::string_view user = path.substr(1, slash == std::string_view::npos ? path.npos : slash - 1);
    std::string_view rest =
        slash == std::string_view::npos ? std::string_view{} : path.substr(slash);
    if (user.empty())
        return std::string(home) + std::string(rest);
    // The reentrant lookup: hosts are evaluated on several threads.
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    int failed;
    while ((failed = getpwnam_r(std::string(user).c_str(), &entry, buffer.data(), buffer.size(),
                                &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (failed == 0 && found && found->pw_dir)
        return std::string(found->pw_dir) + std::string(rest);
    return std::string(path);
}

std::string tilded(std::string_view path, std::string_view home) {
    if (!home.empty() && path.size() > home.size() && path.substr(0, home.size()) == home &&
        path[home.size()] == '/')
        return "~" + std::string(path.substr(home.size()));
    return std::string(path);
}

std::string standardize(std::string_view path, std::string_view home) {
    std::string expanded = expandTilde(path, home);
    bool absolute = !expanded.empty() && expanded.front() == '/';
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= expanded.size()) {
        auto end = expanded.find('/', start);
        if (end == std::string::npos)
            end = expanded.size();
        std::string part = expanded.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += '/';
        out += parts[i];
    }
    return out.empty() ? (absolute ? "/" : ".") : out;
}

} // namespace moorkeep::paths
