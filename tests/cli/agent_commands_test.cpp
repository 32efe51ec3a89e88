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

TEST_F(AgentCommandsTest, AddsAndRemovesKeysAndListsThem) {
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", false}, {"open", false}}));
    home.change({"key", "agent-add", "open"});
    home.change({"key", "agent-add", "locked", "--stdin", "--lifetime", "3600"}, secret + "\n");
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", true}, {"open", true}}));

    home.change({"key", "agent-remove", "open"});
    auto table = home.run({"key", "list"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("PASSPHRASE  AGENT  HOSTS"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("yes         yes    0      ~/.ssh/locked"), std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("no          no     0      ~/.ssh/open"), std::string::npos)
        << table.out;

    auto wrong = home.run({"key", "agent-add", "locked", "--stdin"}, "not it\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "moorkeepctl: The passphrase of ~/.ssh/locked is not right.\n");
    auto bad = home.run({"key", "agent-add", "open", "--lifetime", "1h"});
    EXPECT_EQ(bad.status, 2) << bad.err;
}

// Asked without echo on the terminal, like key passwd.
TEST_F(AgentCommandsTest, AsksForThePassphraseOnTheTerminal) {
    auto result = home.runOnTerminal({"key", "agent-add", "locked"},
                                     {{"Passphrase of locked: ", secret + "\n"}});
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.find(secret), std::string::npos) << result.out;
    EXPECT_TRUE(inAgent(home).at("locked"));
}

TEST(AgentCommandsWithoutAgentTest, ExitOneAndSaySo) {
    CliHome home;
    home.makeKey("open");
    ScopedEnv socket("SSH_AUTH_SOCK", std::nullopt);
    for (const std::string command : {"agent-add", "agent-remove"}) {
        auto result = home.run({"key", command, "open"});
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.err, "moorkeepctl: No ssh-agent is running (SSH_AUTH_SOCK is not set)\n")
            << command;
    }
    auto table = home.run({"key", "list"});
    EXPECT_EQ(table.status, 0);
    EXPECT_NE(table.out.find("no          -      0      ~/.ssh/open"), std::string::npos)
        << table.out;
    EXPECT_NE(table.err.find("No ssh-agent is running"), std::string::npos) << table.err;
}

} // namespace
} // namespace moorkeep::test
