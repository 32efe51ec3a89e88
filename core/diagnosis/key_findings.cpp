#include "diagnosis/key_findings.h"

#include "keys/key_checks.h"

#include <ctime>

namespace moorkeep::KeyFindings {

namespace {

// ssh-keygen -y reads an unprotected key alone; a protected one needs its
// passphrase, which only the Keys detail or the command line asks for.
Finding lonePrivateKey(const DiagnosisInput& input, const SSHKey& key) {
    const bool locked = key.hasPassphrase != false;
    Finding finding =
        input.at(Severity::note, "public-key-missing", input.files.expandHome(key.path), 0,
                 key.path + " has no public key file " + key.path + ".pub; " +
                     (locked ? "\"Re-create Public Key\" in Keys re-creates it with the passphrase"
                             : "ssh-keygen -y re-creates it"));
    if (!locked)
        finding.fix = FindingFix{.path = finding.path, .mode = 0, .keyId = key.id};
    return finding;
}

} // namespace

void check(const DiagnosisInput& input, std::vector<Finding>& findings) {
    checkAt(input, std::time(nullptr), findings);
}

void checkAt(const DiagnosisInput& input, std::int64_t now, std::vector<Finding>& findings) {
    using KeyChecks::CertificateState;
    for (const SSHKey& key : input.keys) {
        if (const auto weak = KeyChecks::weakKey(key))
            findings.push_back(input.at(Severity::warning, "weak-key",
                                        input.files.expandHome(key.path), 0, weak->message));
        if (key.publicKeyMissing)
            findings.push_back(lonePrivateKey(input, key));
        for (const KeyCertificate& certificate : key.certificates) {
            const auto expiry = KeyChecks::certificateExpiry(key, certificate, now);
            if (expiry.state == CertificateState::valid)
                continue;
            const bool soon = expiry.state == CertificateState::expiresSoon;
            findings.push_back(
                input.at(soon ? Severity::note : Severity::warning,
                         expiry.state == CertificateState::expired ? "certificate-expired"
                         : soon                                    ? "certificate-expires-soon"
                                                                   : "certificate-not-yet-valid",
                         input.files.expandHome(certificate.path), 0, expiry.message));
        }
    }
}

} // namespace moorkeep::KeyFindings
