#include "stores/key_lookup.h"

#include "files/paths.h"
#include "files/text_file.h"
#include "keys/key_scanner.h"

#include <dirent.h>
#include <memory>

namespace moorkeep {
namespace {

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

} // namespace

std::optional<std::string> findKeyBaseName(const std::string& sshDirectory, const std::string& id) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(sshDirectory.c_str()), ::closedir);
    if (!dir)
        return std::nullopt;
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".pub") != 0)
            continue;
        std::string base = name.substr(0, name.size() - 4);
        if (KeyScanner::skippedNames().contains(base) ||
            KeyScanner::keyId(paths::join(sshDirectory, base)) != id)
            continue;
        // A scan leaves out a public file it cannot read or that is blank.
        auto text = files::readUtf8(paths::join(sshDirectory, name));
        if (text && !isBlank(*text))
            return base;
    }
    return std::nullopt;
}

} // namespace moorkeep
