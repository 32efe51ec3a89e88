#include "model/secret_wipe.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace moorkeep {
namespace {

TEST(SecretWipeTest, ZerosTheWholeBufferAndEmptiesTheText) {
    // A long text cut short leaves its tail in the buffer; a short one lives
    // inside the string object itself.
    std::string cut(200, 's');
    cut.resize(5);
    std::string small = "pw";
    for (std::string* secret : {&cut, &small}) {
        const std::size_t capacity = secret->capacity();
        const char* buffer = secret->data();
        wipeSecret(*secret);
        EXPECT_TRUE(secret->empty());
        EXPECT_EQ(secret->capacity(), capacity);
        EXPECT_EQ(secret->data(), buffer);
        // Every byte of the buffer, also those past the end of the text.
        EXPECT_EQ(std::string_view(secret->data(), capacity), std::string(capacity, '\0'));
    }
    std::array<char, 8> head;
    head.fill('k');
    wipeBytes(head.data(), head.size());
    EXPECT_EQ(head, (std::array<char, 8>{}));
}

} // namespace
} // namespace moorkeep
