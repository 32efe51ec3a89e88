#include "launch/program_search.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace moorkeep;

namespace {

TEST(ProgramSearchTest, FindsOnlyExecutableFilesInPathOrder) {
    test::TempDir dir;
    auto make = [&](const std::string& name, mode_t mode) {
        test::writeFile(dir.file(name), "#!/bin/sh\n");
        ::chmod(dir.file(name).c_str(), mode);
    };
    make("a/term", 0644);
    ::mkdir(dir.file("b/term").c_str(), 0755);
    make("c/term", 0755);
    make("d/term", 0755);
    const std::string path =
        dir.file("a") + ":" + dir.file("b") + "::" + dir.file("c") + ":" + dir.file("d");
    EXPECT_EQ(ProgramSearch::find("term", path), dir.file("c/term"));
    EXPECT_EQ(ProgramSearch::find("other", path), std::nullopt);
    EXPECT_EQ(ProgramSearch::find(dir.file("d/term"), ""), dir.file("d/term"));
    EXPECT_EQ(ProgramSearch::find(dir.file("a/term"), path), std::nullopt);
}

} // namespace
