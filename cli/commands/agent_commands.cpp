#include "agent_commands.h"

#include "cli_errors.h"
#include "keys/agent_tool.h"
#include "lookup.h"
#include "model/agent_error.h"
#include "model/input_rules.h"
#include "model/secret_wipe.h"
#include "passphrase_input.h"
#include "session.h"

#include <array>

namespace moorkeep::cli {

namespace {

constexpr std::array<std::string_view, 1> keyArgument{"KEY"};
constexpr std::array<OptionSpec, 2> addOptions{{{"--lifetime", true}, {"--stdin", false}}};

std::optional<std::int64_t> lifetime(const ParsedArguments& args) {
    auto text = args.value("--lifetime");
    if (!text)
        return std::nullopt;
    const auto seconds = InputRules::parseInteger(*text);
    if (!seconds || *seconds < 1 || *seconds > AgentTool::longestLifetimeSeconds)
        throw UsageError("--lifetime takes a number of seconds from 1 to " +
                             std::to_string(AgentTool::longestLifetimeSeconds) + ", not \"" +
                             *text + "\"",
                         "key agent-add");
    return seconds;
}

// Asked only of a protected key, and only once an agent is there to take it.
int add(Session& session, const ParsedArguments& args) {
    const SSHKey& key = findKey(session.data().keys, args.positionals[0]);
    AgentAddOptions options{key.id, {}, lifetime(args)};
    if (auto problem = session.store().agentKeys().problem)
        throw AgentError::notRunning(*problem);
    Secret passphrase;
    if (key.hasPassphrase == true) {
        if (args.has("--stdin")) {
            std::optional<Secret> line = readStandardInputLine();
            if (!line)
                throw UsageError("--stdin: no line on standard input", "key agent-add");
            passphrase = std::move(*line);
        } else {
            passphrase = askOnTerminal("Passphrase of " + key.name + ": ");
        }
    }
    options.passphrase = passphrase.text();
    try {
        session.store().addKeyToAgent(options);
    } catch (...) {
        wipeSecret(options.passphrase);
        throw;
    }
    wipeSecret(options.passphrase);
    return 0;
}

int remove(Session& session, const ParsedArguments& args) {
    session.store().removeKeyFromAgent(findKey(session.data().keys, args.positionals[0]).id);
    return 0;
}

constexpr std::string_view addHelp =
    R"(Usage: moorkeepctl key agent-add KEY [--lifetime SECONDS] [--stdin]

Loads the key into the running ssh-agent (the one SSH_AUTH_SOCK names) with
ssh-add. For a protected key, asks on the terminal, without echo, for its
passphrase, which never appears in an argument list. Without --lifetime the
agent keeps the key until it stops, usually when you log out.

Options:
  --lifetime SECONDS   the agent forgets the key after this many seconds
  --stdin              read the passphrase from the first line of standard
                       input instead of the terminal
)";

constexpr std::string_view removeHelp = R"(Usage: moorkeepctl key agent-remove KEY

Takes the key out of the running ssh-agent (ssh-add -d).
)";

} // namespace

const Command& agentAddCommand() {
    static const Command command{
        "agent-add", "load a key into ssh-agent", addHelp, addOptions, keyArgument, add};
    return command;
}

const Command& agentRemoveCommand() {
    static const Command command{
        "agent-remove", "take a key out of ssh-agent", removeHelp, {}, keyArgument, remove};
    return command;
}

} // namespace moorkeep::cli
