#include "model/json_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep {
namespace {

// Whatever the text holds, the bytes are those nlohmann's dump writes for the
// same value, so the streamed list reads as the array dumped whole.
TEST(JsonTextTest, WritesTheBytesNlohmannWritesForTheSameObject) {
    const char controls[] = "nul \0 bell \a tab \t line \n cr \r del \x7f";
    const std::string texts[] = {"",
                                 "plain ascii ~/.ssh/id_ed25519",
                                 "quote \" and backslash \\",
                                 std::string(controls, sizeof controls - 1),
                                 "utf-8: café 東京 🐑",
                                 "invalid \xff\xfe and cut \xe6\x9d",
                                 "\xc3"};
    const std::map<std::string, std::string> none, options = {{"A\x01", "b\xff"}, {"B", "c"}};
    for (int depth : {0, 1, 3}) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(testing::PrintToString(text));
            std::string out;
            JsonObjectText object(out, depth);
            object.member("a", text).member("b", std::int64_t{-22}).member("c", nullptr);
            object.member("d", none).member("e", options).close();
            out += ',';
            JsonObjectText(out, depth).member(text, "as a name").close();
            const nlohmann::json expected[] = {{{"a", text},
                                                {"b", -22},
                                                {"c", nullptr},
                                                {"d", nlohmann::json::object()},
                                                {"e", options}},
                                               {{text, "as a name"}}};
            // The same text, indented as deep as the object stands.
            std::string indented;
            for (const auto& value : expected) {
                indented += indented.empty() ? "" : ",";
                for (char c : value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)) {
                    indented += c;
                    if (c == '\n')
                        indented.append(static_cast<std::size_t>(depth) * 2, ' ');
                }
            }
            EXPECT_EQ(out, indented);
        }
    }
    std::string empty;
    JsonObjectText(empty, 2).close();
    EXPECT_EQ(empty, "{}");
}

} // namespace
} // namespace moorkeep
