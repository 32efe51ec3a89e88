#include "model/agent_error.h"
#include "model/vault_error.h"
#include "support/key_files.h"
#include "support/open_files.h"
#include "support/scoped_env.h"
#include "support/store_home.h"
#include "support/system_store_test.h"
#include "support/test_agent.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace moorkeep::test {
namespace {

using nlohmann::json;

constexpr const char* passphrase = "correct horse";

// A store on a home of its own whose ssh-add runs are logged (arguments
// only) before the real program does the work; its runtime folder, where
// the askpass helper goes, is the test's too.
class AgentStoreTest : public StoreHome {
protected:
    AgentStoreTest() { ::mkdir(home.file("runtime").c_str(), 0700); }

    std::string log() const { return home.file("ssh-add.log"); }

    SSHKey key(const std::string& name) { return keyNamed(store.rescanKeys(), name); }
    bool holds(const std::string& name) { return store.agentKeys().holds(key(name)); }
    void add(const std::string& name, const std::string& given,
             std::optional<std::int64_t> lifetime = std::nullopt) {
        store.addKeyToAgent({key(name).id, given, lifetime});
    }
    // The message of the AgentError the call throws, with its kind checked.
    template <typename Call> std::string agentError(AgentError::Kind kind, Call call) {
        try {
            call();
        } catch (const AgentError& error) {
            EXPECT_EQ(error.kind(), kind) << error.what();
            return error.what();
        }
        ADD_FAILURE() << "no AgentError";
        return {};
    }

    ScopedEnv runtime{"XDG_RUNTIME_DIR", home.file("runtime")};
    std::string snapshots = home.file("processes");
    SystemVaultStore store{
        {.homedir = home.path(),
         .userMetaPath = home.file("meta.json"),
         .agentToolPath = recordingKeyTool(
             home.path(), log(), watchingKeyTool(home.path(), snapshots, "/usr/bin/ssh-add")),
         .backupFolder = home.file("backups")}};
};

// With an agent of the test's own: what ssh-add would not take is refused
// before it runs; then keys go in and come out, a key given a lifetime
// leaves when it is over, and no passphrase is ever an argument.
TEST_F(AgentStoreTest, OpenAndProtectedKeysGoInAndComeOut) {
    const TestAgent agent(home.path());
    ASSERT_TRUE(agent.ready()) << "ssh-agent did not start";
    const ScopedEnv socket("SSH_AUTH_SOCK", agent.socket());
    makeKeyPair(ssh("open"));
    makeKeyPair(ssh("locked"), "ed25519", passphrase);
    for (std::int64_t lifetime : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{1} << 32})
        EXPECT_THROW(add("open", "", lifetime), std::invalid_argument) << lifetime;
    EXPECT_THROW(add("locked", "line\nbreak"), std::invalid_argument);
    EXPECT_THROW(store.addKeyToAgent({"no-such-id", "", std::nullopt}), VaultError);
    EXPECT_TRUE(fileLines(log()).empty());
    EXPECT_EQ(store.agentKeys(), AgentState{});
    add("open", "");
    EXPECT_TRUE(holds("open"));
    EXPECT_FALSE(holds("locked"));

    EXPECT_EQ(agentError(AgentError::Kind::wrongPassphrase, [&] { add("locked", ""); }),
              "~/.ssh/locked is protected: its passphrase is needed.");
    EXPECT_EQ(agentError(AgentError::Kind::wrongPassphrase, [&] { add("locked", "wrong"); }),
              "The passphrase of ~/.ssh/locked is not right.");
    EXPECT_FALSE(holds("locked"));
    add("locked", passphrase);
    // The agent's own word, as ssh-keygen prints the fingerprints.
    EXPECT_EQ(store.agentKeys().fingerprints,
              (std::set<std::string>{printedFingerprint(ssh("open.pub")),
                                     printedFingerprint(ssh("locked.pub"))}));

    store.removeKeyFromAgent(key("locked").id);
    EXPECT_FALSE(holds("locked"));
    EXPECT_TRUE(holds("open"));
    EXPECT_NE(
        agentError(AgentError::Kind::failed, [&] { store.removeKeyFromAgent(key("locked").id); })
            .find("~/.ssh/locked"),
        std::string::npos);

    add("locked", passphrase);
    add("open", "", 2);
    const auto runs = fileLines(log());
    EXPECT_NE(std::find(runs.begin(), runs.end(), "-t 2 " + ssh("open")), runs.end());
    EXPECT_TRUE(holds("open"));
    EXPECT_TRUE(eventually([&] { return !holds("open"); }, std::chrono::seconds(15)));
    EXPECT_TRUE(holds("locked"));

    // Nor in what /proc shows of ssh-add and of its askpass helper while it
    // waited for the answer: asked for the right one twice, for the wrong
    // one once and again.
    EXPECT_EQ(std::ranges::count(fileLines(snapshots), "askpass"), 4);
    for (const std::string& text : {readFile(log()), readFile(snapshots)})
        for (const char* word : {"horse", "wrong"})
            EXPECT_EQ(text.find(word), std::string::npos) << word << "\n" << text;
    // Nor is the askpass helper left behind.
    EXPECT_TRUE(std::filesystem::is_empty(home.file("runtime")));

    // ssh-add's question names the key's file, whatever words that holds.
    for (const std::string name : {"old passphrase", "Bad passphrase"}) {
        makeKeyPair(ssh(name), "ed25519", passphrase);
        add(name, passphrase);
        EXPECT_TRUE(holds(name)) << name;
    }
}

// Nothing is run when there is no agent to ask: SSH_AUTH_SOCK unset, a
// socket nothing listens on, or no socket at all.
TEST_F(AgentStoreTest, WithoutAnAgentSaysWhyAndChangesNothing) {
    makeKeyPair(ssh("open"));
    onSocket(home.file("dead.sock"), ::bind); // bound, then closed: nothing listens
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, "SSH_AUTH_SOCK is not set"},
        {home.file("dead.sock"), "Connection refused"},
        {home.file("gone.sock"), "No such file or directory"}};
    for (const auto& [path, reason] : cases) {
        const ScopedEnv socket("SSH_AUTH_SOCK", path);
        const std::string expected =
            "No ssh-agent is running (" + (path ? *path + ": " : std::string()) + reason + ")";
        EXPECT_EQ(store.agentKeys().problem, expected);
        EXPECT_FALSE(store.agentKeys().isRunning());
        EXPECT_EQ(agentError(AgentError::Kind::notRunning, [&] { add("open", ""); }), expected);
        EXPECT_EQ(agentError(AgentError::Kind::notRunning,
                             [&] { store.removeKeyFromAgent(key("open").id); }),
                  expected);
    }
    EXPECT_TRUE(fileLines(log()).empty());
}

} // namespace
} // namespace moorkeep::test
