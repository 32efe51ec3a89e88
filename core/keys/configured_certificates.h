#pragma once

#include "model/config_records.h"
#include "model/ssh_key.h"
#include "reading/config_document.h"

#include <string>
#include <vector>

// The certificates the configuration's CertificateFile lines name, wherever
// they live: each joins the key it certifies, as the scan's NAME-cert.pub
// files do.
namespace moorkeep::ConfiguredCertificates {

// Reads each file named once; one a key already holds, one that is missing
// or no certificate, or one of no key here, adds nothing. "~" and "%d" are
// homedir, "%u" localUser; a name with another token is left alone.
void attach(std::vector<SSHKey>& keys, const std::vector<std::string>& certificateFiles,
            const std::string& homedir, const std::string& localUser);

// The values of the CertificateFile lines, in reading order.
std::vector<std::string> namedIn(const std::vector<ConfigLineSource>& lines);
std::vector<std::string> namedIn(const config::ConfigDocument& document);

} // namespace moorkeep::ConfiguredCertificates
