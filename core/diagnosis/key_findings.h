#pragma once

#include "diagnosis/diagnosis_input.h"

#include <cstdint>

// What the diagnosis says about the keys in ~/.ssh: "weak-key" (a warning:
// DSA, or RSA under 2048 bits, which OpenSSH refuses or will refuse) and, of
// their certificates, "certificate-expired" and "certificate-not-yet-valid"
// (warnings: ssh offers them in vain) and "certificate-expires-soon" (a note,
// within a day), and "public-key-missing" (a note: a private key without its
// .pub file, with the fix that re-creates it when the key is unprotected).
namespace moorkeep::KeyFindings {

void check(const DiagnosisInput& input, std::vector<Finding>& findings);

// The same at a given time, in seconds since the epoch.
void checkAt(const DiagnosisInput& input, std::int64_t now, std::vector<Finding>& findings);

} // namespace moorkeep::KeyFindings
