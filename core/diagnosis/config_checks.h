#pragma once

#include "diagnosis/diagnosis_input.h"

// Checks of the configuration's lines that need no evaluation: files its
// lines name that do not exist, and Match conditions nothing here judges.
namespace moorkeep::ConfigChecks {

// IdentityFile and CertificateFile naming no file ("missing-identity-file",
// "missing-certificate-file"), Include matching none ("missing-include").
void missingFiles(const DiagnosisInput& input, std::vector<Finding>& findings);

// Match lines with exec, canonical, final or localnetwork ("match-not-judged").
void unjudgedMatches(const DiagnosisInput& input, std::vector<Finding>& findings);

} // namespace moorkeep::ConfigChecks
