#include "editing/config_blocks.h"
#include "model/ascii.h"
#include "reading/config_line.h"

#include <gtest/gtest.h>

namespace moorkeep::config {
namespace {

// Reading a header rules most lines out before splitting them; it must agree
// with the split on every line, the odd ones above all.
TEST(ConfigBlocksTest, HeadersAreTheLinesWhoseSplitKeywordIsHostOrMatch) {
    for (const char* line : {"Host a",
                             "  host=a",
                             "HOST a b",
                             "Match all",
                             "\tmatch host x",
                             "HostName a",
                             "HostKeyAlias x",
                             "Hostx a",
                             "Ho\"st\" a",
                             "\"Host\" a",
                             "\"Match\"=all",
                             "=Host a",
                             " = Host a",
                             "Host",
                             "Host #comment",
                             "Hos",
                             "M",
                             "",
                             "   ",
                             "Port 22",
                             "hOsT\ta",
                             "Host\"x\" a",
                             "Matchall x"}) {
        SCOPED_TRACE(line);
        const auto split = splitLine(line);
        const auto header = readHeader(line);
        EXPECT_EQ(header.has_value(), split && isHeaderKeyword(split->keyword));
        if (header) {
            EXPECT_EQ(header->keyword == HeaderKeyword::host,
                      equalsIgnoringCase(split->keyword, "host"));
        }
    }
}

} // namespace
} // namespace moorkeep::config
