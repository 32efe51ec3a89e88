#include "model/key_files.h"

namespace moorkeep {

std::vector<std::string> filesOfKey(const SSHKey& key) {
    std::vector<std::string> files{key.path};
    if (!key.publicKeyMissing)
        files.push_back(key.path + ".pub");
    for (const KeyCertificate& certificate : key.certificates)
        files.push_back(certificate.path);
    return files;
}

} // namespace moorkeep
