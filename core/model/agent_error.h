#pragma once

#include <stdexcept>
#include <string>

namespace moorkeep {

// Failures of the agent operations. what() is the message shown to the user.
class AgentError : public std::runtime_error {
public:
    enum class Kind { notRunning, wrongPassphrase, failed };

    // problem is the whole sentence ("No ssh-agent is running (...)").
    static AgentError notRunning(const std::string& problem);
    // The key at path did not open with the passphrase given, or needs one
    // and none was given.
    static AgentError wrongPassphrase(const std::string& path, bool given);
    // ssh-add refused; message is its own complaint.
    static AgentError failed(const std::string& message);

    Kind kind() const { return kind_; }

private:
    AgentError(Kind kind, const std::string& message);

    Kind kind_;
};

} // namespace moorkeep
