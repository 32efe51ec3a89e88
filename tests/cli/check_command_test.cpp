#include "cli_home.h"

namespace moorkeep::test {
namespace {

class CheckCommandTest : public CliTest {};

// The text aligns FILE:LINE, severity and ssh's words; JSON gives the same
// records; the exit status says whether ssh refuses. The reads that show
// what ssh would use warn once on standard error while it refuses, and say
// nothing once it accepts.
TEST_F(CheckCommandTest, ReportsFindingsAndReadsWarnWhileSshRefuses) {
    const std::string warning =
        "moorkeepctl: warning: OpenSSH refuses ~/.ssh/config: line 3: Bad configuration option: "
        "usr. ssh cannot connect to any host until this is fixed.\n";
    home.writeConfig("Host web\n  Port 2\n  Usr bob\n  IdentityFile ~/.ssh/gone\n");
    const auto text = home.run({"check"});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_EQ(text.out, "~/.ssh/config:3  error    Bad configuration option: usr\n"
                        "~/.ssh/config:4  warning  IdentityFile ~/.ssh/gone names no file; ssh "
                        "skips it and offers the other keys.\n"
                        "~/.ssh/config    error    terminating, 1 bad configuration options\n");
    const auto json = home.run({"check", "--json"});
    EXPECT_EQ(json.status, 1);
    const auto records = nlohmann::json::parse(json.out);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], nlohmann::json({{"severity", "error"},
                                          {"code", "bad-option"},
                                          {"file", "~/.ssh/config"},
                                          {"line", 3},
                                          {"message", "Bad configuration option: usr"},
                                          {"hosts", {"web"}}}));
    for (const auto& read : std::vector<std::vector<std::string>>{
             {"host", "list"}, {"host", "show", "web"}, {"host", "show", "web", "--effective"}}) {
        const auto result = home.run(read);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, warning) << read.back();
    }
    home.writeConfig("Host web\n  Port 2\n  IdentityFile ~/.ssh/gone\n");
    EXPECT_EQ(home.run({"check"}).status, 0);
    EXPECT_EQ(home.run({"host", "list"}).err, "");
    home.writeConfig("Host web\n  Port 2\n");
    EXPECT_EQ(home.run({"check"}).out, "No problems found.\n");
    EXPECT_EQ(home.run({"check", "--json"}).out, "[]\n");
}

} // namespace
} // namespace moorkeep::test
