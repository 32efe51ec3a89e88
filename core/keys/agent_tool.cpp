#include "keys/agent_tool.h"

#include "keys/agent_socket.h"
#include "keys/askpass.h"
#include "keys/key_changes.h"
#include "keys/key_tool.h"
#include "model/agent_error.h"
#include "model/input_rules.h"

#include <sstream>
#include <stdexcept>
#include <vector>

namespace moorkeep::AgentTool {
namespace {

// ssh-add's own exit codes: 1 for "the agent has no identities" (and other
// refusals), 2 when it cannot reach the agent.
constexpr int cannotReachAgent = 2;

// The tool's complaint on one line, with the key's path as the user knows
// it, or its exit code when it said nothing.
std::string complaint(const KeyToolResult& result, const std::string& privatePath,
                      const std::string& shownPath) {
    std::string message = KeyChanges::failureMessage(result, privatePath, shownPath);
    if (result.errorOutput.empty() || message.empty())
        return "ssh-add exited with code " + std::to_string(result.status);
    return message;
}

// Only a reachable agent is worth a child process.
void requireAgent() {
    if (auto problem = AgentSocket::problem())
        throw AgentError::notRunning(*problem);
}

void throwFailure(const KeyToolResult& result, const std::string& privatePath,
                  const std::string& shownPath) {
    if (result.status == cannotReachAgent)
        throw AgentError::notRunning("No ssh-agent is running (" +
                                     complaint(result, privatePath, shownPath) + ")");
    throw AgentError::failed(complaint(result, privatePath, shownPath));
}

} // namespace

std::set<std::string> listedFingerprints(std::string_view output) {
    std::set<std::string> fingerprints;
    std::istringstream lines{std::string(output)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string bits;
        std::string fingerprint;
        if (words >> bits >> fingerprint && fingerprint.starts_with("SHA256:"))
            fingerprints.insert(fingerprint);
    }
    return fingerprints;
}

AgentState query(const std::string& toolPath) {
    if (auto problem = AgentSocket::problem())
        return {.problem = problem, .fingerprints = {}};
    KeyToolResult result = runKeyTool(toolPath, {"-l", "-E", "sha256"}, queryLimitSeconds);
    if (result.status == 0)
        return {.problem = std::nullopt, .fingerprints = listedFingerprints(result.output)};
    if (result.status == 1)
        return {};
    const std::string why = complaint(result, {}, {});
    if (result.status == cannotReachAgent)
        return {.problem = "No ssh-agent is running (" + why + ")", .fingerprints = {}};
    return {.problem = "The ssh-agent could not be asked: " + why, .fingerprints = {}};
}

void checkRequest(const std::string& passphrase, std::optional<std::int64_t> lifetimeSeconds) {
    if (lifetimeSeconds && (*lifetimeSeconds < 1 || *lifetimeSeconds > longestLifetimeSeconds))
        throw std::invalid_argument("A lifetime is a number of seconds from 1 to " +
                                    std::to_string(longestLifetimeSeconds) + ".");
    if (!InputRules::isValidPassphrase(passphrase))
        throw std::invalid_argument(
            "A passphrase must not contain control characters such as a carriage return.");
}

void add(const std::string& privatePath, const std::string& shownPath,
         const std::string& passphrase, std::optional<std::int64_t> lifetimeSeconds,
         const std::string& toolPath) {
    checkRequest(passphrase, lifetimeSeconds);
    requireAgent();
    std::vector<std::string> args;
    if (lifetimeSeconds) {
        args.push_back("-t");
        args.push_back(std::to_string(*lifetimeSeconds));
    }
    args.push_back(privatePath);

    KeyToolResult result;
    if (passphrase.empty()) {
        result = runKeyTool(toolPath, args, changeLimitSeconds);
    } else {
        Askpass askpass(passphrase);
        result = runKeyTool(toolPath, args, changeLimitSeconds, askpass.options());
    }
    if (result.status == 0)
        return;
    // Without an answer ssh-add only prints its question; with a wrong one
    // our askpass refuses its second question.
    const bool refused = passphrase.empty()
                             ? result.errorOutput.find("Enter passphrase") != std::string::npos
                             : result.errorOutput.find("Bad passphrase") != std::string::npos;
    if (refused)
        throw AgentError::wrongPassphrase(shownPath, !passphrase.empty());
    throwFailure(result, privatePath, shownPath);
}

void remove(const std::string& privatePath, const std::string& shownPath,
            const std::string& toolPath) {
    requireAgent();
    KeyToolResult result = runKeyTool(toolPath, {"-d", privatePath}, queryLimitSeconds);
    if (result.status != 0)
        throwFailure(result, privatePath, shownPath);
}

} // namespace moorkeep::AgentTool
