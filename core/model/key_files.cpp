#include "model/key_files.h"

namespace moorkeep {

std::vector<std::string> filesOfKey(const SSHKey& key) {
    std::vector<std::string> files{key.path};
    if (!key.publicKeyMissing)
        files.push_back(key.path + ".pub");
    const std::string folder = key.path.substr(0, key.path.rfind('/') + 1);
    for (const KeyCertificate& certificate : key.certificates)
        if (certificate.path.starts_with(folder) &&
            certificate.path.find('/', folder.size()) == std::string::npos)
            files.push_back(certificate.path);
    return files;
}

} // namespace moorkeep
