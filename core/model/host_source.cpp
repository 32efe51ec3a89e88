#include "model/host_source.h"

namespace moorkeep {

std::string_view toText(HostSource source) {
    return source == HostSource::config ? "config" : "user";
}

std::optional<HostSource> hostSourceFromText(std::string_view text) {
    if (text == "config")
        return HostSource::config;
    if (text == "user")
        return HostSource::user;
    return std::nullopt;
}

} // namespace moorkeep
