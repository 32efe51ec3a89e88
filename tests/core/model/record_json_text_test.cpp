#include "model/record_json.h"
#include "model/record_json_text.h"
#include "support/records.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>

namespace moorkeep {
namespace {

std::string dumped(const std::vector<SSHHost>& hosts) {
    return nlohmann::json(hosts).dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The text must be exactly what the JSON value prints, for every kind of
// field and every character that JSON escapes or that is not UTF-8.
TEST(RecordJsonTextTest, PrintsHostsAsTheirJsonValueDoes) {
    using test::host;
    const std::vector<std::vector<SSHHost>> cases{
        {},
        {host("web")},
        {host("web", "10.0.0.1", "deploy", 2222, "0123456789abcdef", "bastion",
              {{"ForwardAgent", "yes"}, {"LocalForward", "8080 localhost:80"}}, HostSource::user,
              "A1B2")},
        {host("quote\"back\\slash", "tab\there", "nl\ncr\rff\fbs\b", -5, "", "",
              {{"", "empty name"}, {"Z", "\x01\x1f\x7f"}})},
        {host("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x91", "\xff\xfe", "cut\xe2\x82", 0),
         host("max", "h", "u", std::numeric_limits<std::int64_t>::max()),
         host("min", "h", "u", std::numeric_limits<std::int64_t>::min())},
        {host("/slash/"), host("nul", std::string("a\0b", 3))},
    };
    for (const auto& hosts : cases) {
        std::ostringstream text;
        RecordJsonText::writeHosts(text, hosts);
        EXPECT_EQ(text.str(), dumped(hosts));
    }
    // Enough hosts to be written in several pieces.
    const std::vector<SSHHost> many(
        2000, host("web", "10.0.0.1", "deploy", 2222, "k", "j", {{"ServerAliveInterval", "30"}}));
    std::ostringstream text;
    RecordJsonText::writeHosts(text, many);
    EXPECT_EQ(text.str(), dumped(many));
}

} // namespace
} // namespace moorkeep
