#include "support/temp_dir.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

// Points HOME, XDG_DATA_HOME and XDG_STATE_HOME at a temporary home for the whole run, so that
// nothing a test does can reach the real ~/.ssh or metadata file.
int main(int argc, char** argv) {
    moorkeep::test::TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", home.file(".local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", home.file(".local/state").c_str(), 1);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
