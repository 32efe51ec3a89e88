#include "stores/store_places.h"

namespace moorkeep {

StoreFiles StorePlaces::files() const {
    return {homedir, configPath};
}

std::string StorePlaces::expandHome(const std::string& path) const {
    return files().expandHome(path);
}

std::string StorePlaces::displayPath(const std::string& path) const {
    return files().displayPath(path);
}

std::string StorePlaces::lockPath() const {
    return metaStore.path() + ".lock";
}

StorePlaces::KeyPathToId StorePlaces::invert(const KeyIdToPath& keyIdToPath) const {
    KeyPathToId keyPathToId;
    for (const auto& [id, path] : keyIdToPath)
        keyPathToId[expandHome(path)] = id;
    return keyPathToId;
}

} // namespace moorkeep
