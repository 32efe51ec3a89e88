#pragma once

#include "support/test_home.h"

#include <QApplication>
#include <QtTest>

namespace moorkeep::test {

// Runs a Qt Test object in a test home of its own, made before the
// application object so that Qt reads no real folder either.
template <typename TestObject> int runAppTest(int argc, char** argv) {
    const TestHome home;
    QApplication application(argc, argv);
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace moorkeep::test

#define MOORKEEP_APP_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char** argv) {                                                              \
        return moorkeep::test::runAppTest<TestObject>(argc, argv);                                 \
    }
