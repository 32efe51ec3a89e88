#include "support/test_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const moorkeep::test::TestHome home;
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
