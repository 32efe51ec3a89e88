#include "config/config_parser.h"
#include "config/config_syntax.h"
#include "support/records.h"
#include "support/ssh_view.h"
#include "support/store_home.h"

#include <functional>
#include <gtest/gtest.h>
#include <sstream>

// OpenSSH is the judge of every edit: for every host of a configuration that
// holds every kind of line, "ssh -G" before and after an edit differs exactly
// in the edited fields, and every line outside the changed group keeps its
// bytes.
namespace moorkeep::test {
namespace {

const KeyIdToPath keyPaths{{"K1", "~/.ssh/id_judge"}};

// The destinations of the file's hosts, and the aliases the store knows
// them by.
const std::vector<std::pair<std::string, std::string>> hosts{
    {"prod", "prod"}, {"db", "db"}, {"web", "web web.example.com"}, {"bastion", "bastion"}};

// Every kind of line: comments, a global directive, several IdentityFile,
// LocalForward and SendEnv lines, an Include inside a block, Key=Value and
// odd case, a header joined with "=", a two-pattern host, a pattern block, a
// Match block and the defaults last (OpenSSH takes the first value it
// meets).
std::string generatedConfig(const std::string& included, bool tabs) {
    const std::string in = tabs ? "\t" : "  ";
    return "# judged by OpenSSH\n"
           "ServerAliveCountMax 2\n"
           "\n"
           "Host prod\n" +
           in + "# the production box\n" + in + "HostName prod.example.com\n" + in +
           "IdentityFile ~/.ssh/id_a\n" + in + "IdentityFile ~/.ssh/work/key\n" + in +
           "LocalForward 8080 localhost:80\n" + in + "LocalForward 8443 localhost:443\n" + in +
           "SendEnv LANG\n" + in + "SendEnv LC_*\n" + in + "Include \"" + included + "\"\n" +
           "\n"
           "host=db\n" +
           in + "hostname=db.internal\n" + in + "USER=dbadmin\n" + in + "port = 5022\n" + in +
           "ProxyJump=bastion.example.com\n" +
           "HOST web web.example.com\n"
           "    HostName 10.0.0.5\n"
           "    user\tdeploy\n"
           "    # trailing comment\n"
           "\n"
           "Host bastion\n" +
           in + "HostName bastion.example.com\n" +
           "\n"
           "Host *.corp\n" +
           in + "User corp\n" + "Match host nothing.invalid\n" + in + "User matched\n" +
           "\n"
           "Host *\n" +
           in + "User everyone\n" + in + "Port 2222\n" + in + "ServerAliveInterval 30\n";
}

// The text without the lines whose keyword is this one, in any case.
std::string withoutKeyword(const std::string& text, const std::string& keyword) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::string trimmed = line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
        std::string key, value;
        if (ConfigParser::splitDirective(trimmed, key, value) &&
            config::equalsIgnoringCase(key, keyword))
            continue;
        out += line + "\n";
    }
    return out;
}

class OpenSSHJudgeTest : public StoreHome, public ::testing::WithParamInterface<bool> {
protected:
    void reset() const {
        writeFile(ssh("extra.conf"), "Compression yes\n");
        writeFile(ssh("config"), crLf() ? withCrLf(original()) : original());
    }
    bool crLf() const { return GetParam(); }
    std::string original() const { return generatedConfig(ssh("extra.conf"), crLf()); }

    std::map<std::string, SshView> views() const {
        std::map<std::string, SshView> out;
        for (const auto& [destination, alias] : hosts)
            out[destination] = sshView(ssh("config"), destination, home.path());
        return out;
    }

    ParsedConfig parsed() const {
        return ConfigParser::parse(ConfigParser::readLines(ssh("config"), home.path()),
                                   {{ssh("id_judge"), "K1"}}, home.path());
    }

    SSHHost hostRecord(const std::string& alias) const {
        for (const auto& host : parsed().hosts)
            if (host.alias == alias)
                return host;
        ADD_FAILURE() << "no host " << alias;
        return {};
    }

    SystemVaultStore store{onHome()};
};

// A host edit changes its keyword for its own host only; a defaults edit
// changes it for some hosts and nothing else for any.
TEST_P(OpenSSHJudgeTest, EditsChangeExactlyTheEditedField) {
    // Each edit changes the group of one keyword, named as ssh -G shows it
    // (in lower case); false when it does not apply to the host.
    const std::pair<std::string, std::function<bool(SSHHost&)>> hostEdits[] = {
        {"port", [](SSHHost& h) { return h.port = 3000, true; }},
        {"user", [](SSHHost& h) { return h.user = "judge", true; }},
        {"hostname", [](SSHHost& h) { return h.hostname = "judge.example.net", true; }},
        {"proxyjump", [](SSHHost& h) { return h.proxyJump = "hop.example.net", true; }},
        {"identityfile", [](SSHHost& h) { return h.keyId = "K1", true; }},
        {"serveraliveinterval",
         [](SSHHost& h) { return h.extraOptions["ServerAliveInterval"] = "99", true; }},
        // An option removed.
        {"sendenv", [](SSHHost& h) { return h.extraOptions.erase("SendEnv") > 0; }},
    };
    const std::pair<std::string, std::function<void(Defaults&)>> defaultsEdits[] = {
        {"user", [](Defaults& d) { d.user = "all"; }},
        {"port", [](Defaults& d) { d.port = 2200; }},
        {"proxyjump", [](Defaults& d) { d.proxyJump = "gw.example"; }},
        {"serveraliveinterval", [](Defaults& d) { d.extraOptions["ServerAliveInterval"] = "45"; }},
    };
    reset();
    const auto before = views();
    // Every line outside the edited group keeps its bytes.
    const auto onlyTheGroupChanged = [&](const std::string& after, const std::string& keyword) {
        reset();
        EXPECT_EQ(withoutKeyword(after, keyword), withoutKeyword(readFile(ssh("config")), keyword));
    };
    for (const auto& [keyword, apply] : hostEdits) {
        for (const auto& [destination, alias] : hosts) {
            SCOPED_TRACE(keyword + " of " + alias);
            reset();
            SSHHost host = hostRecord(alias);
            if (!apply(host))
                continue;
            store.saveConfigHost(host, std::nullopt, keyPaths);
            const std::string after = readFile(ssh("config"));
            for (const auto& [other, view] : views())
                EXPECT_EQ(changedKeywords(before.at(other), view),
                          other == destination ? std::set{keyword} : std::set<std::string>{})
                    << other << "\n"
                    << after;
            EXPECT_EQ(hostRecord(alias), host) << "read back as saved";
            onlyTheGroupChanged(after, keyword);
        }
    }
    for (const auto& [keyword, apply] : defaultsEdits) {
        SCOPED_TRACE(keyword);
        reset();
        Defaults defaults = parsed().defaults;
        apply(defaults);
        store.saveConfigDefaults(defaults, keyPaths);
        const std::string after = readFile(ssh("config"));
        bool someHostChanged = false;
        for (const auto& [destination, view] : views()) {
            const auto changed = changedKeywords(before.at(destination), view);
            EXPECT_TRUE(changed.empty() || changed == std::set{keyword}) << destination << "\n"
                                                                         << after;
            someHostChanged = someHostChanged || !changed.empty();
        }
        EXPECT_TRUE(someHostChanged) << after;
        onlyTheGroupChanged(after, keyword);
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, OpenSSHJudgeTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "CrLfTabs" : "LfSpaces"; });

} // namespace
} // namespace moorkeep::test
