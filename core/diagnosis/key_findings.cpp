#include "diagnosis/key_findings.h"

#include "keys/key_checks.h"

#include <ctime>

namespace moorkeep::KeyFindings {

void check(const DiagnosisInput& input, std::vector<Finding>& findings) {
    checkAt(input, std::time(nullptr), findings);
}

void checkAt(const DiagnosisInput& input, std::int64_t now, std::vector<Finding>& findings) {
    using KeyChecks::CertificateState;
    for (const SSHKey& key : input.keys) {
        if (const auto weak = KeyChecks::weakKey(key))
            findings.push_back(input.at(Severity::warning, "weak-key",
                                        input.files.expandHome(key.path), 0, weak->message));
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
