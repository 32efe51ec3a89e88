#pragma once

#include "support/test_home.h"

#include <QApplication>
#include <QtTest>
#include <initializer_list>

namespace moorkeep::test {

// Runs a Qt Test object in a test home of its own, made before the
// application object so that Qt reads no real folder either.
template <typename TestObject> int runAppTest(int argc, char** argv) {
    const TestHome home;
    QApplication application(argc, argv);
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

// A data-driven test's one column "row", holding rows that each carry their
// name in the field name (Row needs Q_DECLARE_METATYPE).
template <typename Row> void addRows(std::initializer_list<Row> rows) {
    QTest::addColumn<Row>("row");
    for (const Row& row : rows)
        QTest::newRow(row.name) << row;
}

} // namespace moorkeep::test

#define MOORKEEP_APP_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char** argv) {                                                              \
        return moorkeep::test::runAppTest<TestObject>(argc, argv);                                 \
    }
