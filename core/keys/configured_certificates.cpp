#include "keys/configured_certificates.h"

#include "files/paths.h"
#include "keys/certificate_reader.h"
#include "keys/identity_paths.h"
#include "model/ascii.h"
#include "openssh/ssh_arguments.h"

#include <algorithm>
#include <set>

namespace moorkeep::ConfiguredCertificates {
namespace {

bool holds(const SSHKey& key, const std::string& shown) {
    return std::ranges::any_of(key.certificates,
                               [&](const KeyCertificate& c) { return c.path == shown; });
}

} // namespace

void attach(std::vector<SSHKey>& keys, const std::vector<ConfigLineSource>& lines,
            const std::string& homedir, const std::string& localUser) {
    std::set<std::string> read;
    for (const ConfigLineSource& line : lines) {
        if (!equalsIgnoringCase(line.directive, "certificatefile"))
            continue;
        const auto path =
            IdentityPaths::expanded(config::joinedArguments(line.value), homedir, localUser);
        if (!path || !read.insert(*path).second)
            continue;
        const std::string shown = paths::tilded(*path, homedir);
        auto certified = CertificateReader::ofFile(*path);
        if (!certified)
            continue;
        auto owner = std::ranges::find(keys, certified->keyFingerprint, &SSHKey::fingerprint);
        if (owner == keys.end() || holds(*owner, shown))
            continue;
        certified->certificate.path = shown;
        owner->certificates.push_back(std::move(certified->certificate));
    }
}

} // namespace moorkeep::ConfiguredCertificates
