#pragma once

#include "model/defaults.h"
#include "model/host_source.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <cstddef>
#include <functional>

namespace moorkeep {

// Field-by-field hashing: equal records hash equally.
std::size_t hashValue(HostSource source);
std::size_t hashValue(const SSHHost& host);
std::size_t hashValue(const SSHKey& key);
std::size_t hashValue(const Defaults& defaults);

} // namespace moorkeep

template <> struct std::hash<moorkeep::HostSource> {
    std::size_t operator()(moorkeep::HostSource v) const { return moorkeep::hashValue(v); }
};
template <> struct std::hash<moorkeep::SSHHost> {
    std::size_t operator()(const moorkeep::SSHHost& v) const { return moorkeep::hashValue(v); }
};
template <> struct std::hash<moorkeep::SSHKey> {
    std::size_t operator()(const moorkeep::SSHKey& v) const { return moorkeep::hashValue(v); }
};
template <> struct std::hash<moorkeep::Defaults> {
    std::size_t operator()(const moorkeep::Defaults& v) const { return moorkeep::hashValue(v); }
};
