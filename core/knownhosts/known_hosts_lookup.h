#pragma once

#include "model/host_evaluation.h"
#include "model/known_host_keys.h"

#include <string>

namespace moorkeep::knownhosts {

// What ssh needs to expand the tokens of UserKnownHostsFile besides the
// evaluation: whose home "~" and "%d" are, the local user and host.
struct LocalFacts {
    std::string home;
    std::string user;
    std::string hostName; // the full local host name ("%l")
    unsigned long long uid = 0;
};

LocalFacts localFacts(const std::string& home, const std::string& user);

// The name ssh looks the host's key up by and the files it reads, from
// what it uses for the destination: HostKeyAlias, else the host name as
// "[name]:port" off port 22; the user files with "~", "${VAR}" and the
// "%" tokens expanded (one whose expansion ssh would refuse is left out).
// No keys are read.
KnownHostKeys lookupFor(const HostEvaluation& evaluation, const LocalFacts& local);

} // namespace moorkeep::knownhosts
