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

std::vector<std::string> namedIn(const std::vector<ConfigLineSource>& lines) {
    std::vector<std::string> named;
    for (const ConfigLineSource& line : lines)
        if (equalsIgnoringCase(line.directive, "certificatefile"))
            named.push_back(config::joinedArguments(line.value));
    return named;
}

std::vector<std::string> namedIn(const config::ConfigDocument& document) {
    std::vector<std::string> named;
    for (const config::DocumentLine& line : document.lines)
        if (line.keyword == "certificatefile")
            named.push_back(config::valueOf(line));
    return named;
}

void attach(std::vector<SSHKey>& keys, const std::vector<std::string>& certificateFiles,
            const std::string& homedir, const std::string& localUser) {
    std::set<std::string> read;
    for (const std::string& named : certificateFiles) {
        const auto path = IdentityPaths::expanded(named, homedir, localUser);
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
