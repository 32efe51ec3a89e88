#include "keys/agent_socket.h"

#include "keys/tool_child.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>

namespace moorkeep::AgentSocket {
namespace {

std::string notRunning(const std::string& reason) {
    return "No ssh-agent is running (" + reason + ")";
}

} // namespace

std::optional<std::string> problem() {
    const char* value = std::getenv("SSH_AUTH_SOCK");
    if (!value || !*value)
        return notRunning("SSH_AUTH_SOCK is not set");
    const std::string path = value;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return notRunning(path + ": the path is too long for a socket");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    keys::Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.valid())
        return notRunning(path + ": " + std::system_category().message(errno));
    int result;
    do {
        result =
            ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        return notRunning(path + ": " + std::system_category().message(errno));
    return std::nullopt;
}

} // namespace moorkeep::AgentSocket
