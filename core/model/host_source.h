#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moorkeep {

// Where a host comes from: a Host block of the OpenSSH configuration, or the
// store's own host list. A host not yet written anywhere is `user` too: saving
// it (saveHost) writes it as a new Host block of the configuration.
enum class HostSource { config, user };

std::string_view toText(HostSource source);
std::optional<HostSource> hostSourceFromText(std::string_view text);

} // namespace moorkeep
