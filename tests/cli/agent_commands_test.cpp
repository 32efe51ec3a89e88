#include "cli_home.h"
#include "support/test_agent.h"

#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>

namespace moorkeep::test {
namespace {

const std::string secret = "agent secret";

// Key name to inAgent, from `key list --json`.
std::map<std::string, bool> inAgent(const CliHome& home) {
    std::map<std::string, bool> held;
    for (const auto& key : decoded<nlohmann::json>(home.run({"key", "list", "--json"})))
        held[key.at("name").get<std::string>()] = key.at("inAgent").get<bool>();
    return held;
}

// A home with an open and a protected key, and an agent of the test's own.
class AgentCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(agent.ready()) << "ssh-agent did not start";
        home.makeKey("open");
        home.makeKey("locked", secret);
    }

    CliHome home;
    TempDir runtime;
    ScopedEnv runtimeFolder{"XDG_RUNTIME_DIR", runtime.path()};
    TestAgent agent{runtime.path()};
    ScopedEnv socket{"SSH_AUTH_SOCK", agent.socket()};
};

TEST_F(AgentCommandsTest, AddsAndRemovesKeysAndListsThemOrSaysThereIsNoAgent) {
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", false}, {"open", false}}));
    home.change({"key", "agent-add", "open"});
    // Asked without echo on the terminal, like key passwd.
    auto asked = home.runOnTerminal({"key", "agent-add", "locked", "--lifetime", "3600"},
                                    {{"Passphrase of locked: ", secret + "\n"}});
    EXPECT_EQ(asked.status, 0) << asked.out;
    EXPECT_THAT(asked.out, testing::Not(HasSubstr(secret)));
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", true}, {"open", true}}));
    home.change({"key", "agent-remove", "open"});
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", true}, {"open", false}}));

    home.refused({"key", "agent-add", "locked", "--stdin"}, 1,
                 "moorkeepctl: The passphrase of ~/.ssh/locked is not right.\n", "not it\n");
    home.refused({"key", "agent-add", "open", "--lifetime", "1h"}, 2, "");

    ScopedEnv noSocket("SSH_AUTH_SOCK", std::nullopt);
    for (const std::string command : {"agent-add", "agent-remove"})
        home.refused({"key", command, "open"}, 1,
                     "moorkeepctl: No ssh-agent is running (SSH_AUTH_SOCK is not set)\n");
    auto table = home.run({"key", "list"});
    EXPECT_EQ(table.status, 0);
    EXPECT_THAT(table.out, HasSubstr("no          -      0      ~/.ssh/open"));
    EXPECT_THAT(table.err, HasSubstr("No ssh-agent is running"));
}

} // namespace
} // namespace moorkeep::test
