#pragma once

#include "support/temp_dir.h"

#include <QApplication>
#include <QtTest>
#include <cstdlib>

namespace moorkeep::test {

// Runs a Qt Test object with HOME and XDG_DATA_HOME pointing into a fresh
// temporary home, so nothing a test does can reach the real ~/.ssh or the
// real metadata file.
template <typename TestObject> int runAppTest(int argc, char** argv) {
    TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", home.file(".local/share").c_str(), 1);
    QApplication application(argc, argv);
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace moorkeep::test

#define MOORKEEP_APP_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char** argv) {                                                              \
        return moorkeep::test::runAppTest<TestObject>(argc, argv);                                 \
    }
