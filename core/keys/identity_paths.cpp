#include "keys/identity_paths.h"

#include "files/paths.h"

namespace moorkeep::IdentityPaths {

std::optional<std::string> expanded(std::string_view value, const std::string& homedir,
                                    const std::string& localUser) {
    std::string path;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 1 < value.size()) {
            const char token = value[++i];
            if (token == 'd')
                path += homedir;
            else if (token == 'u')
                path += localUser;
            else if (token == '%')
                path += '%';
            else
                return std::nullopt;
        } else {
            path += value[i];
        }
    }
    return paths::standardize(path, homedir);
}

} // namespace moorkeep::IdentityPaths
