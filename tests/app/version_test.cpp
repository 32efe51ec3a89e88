#include "menubar/version.h"
#include "support/app_test.h"

using namespace moorkeep;

class VersionTest : public QObject {
    Q_OBJECT

private slots:
    void comparesPartByPartAsNumbers_data() {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("order"); // -1, 0 or 1

        QTest::newRow("equal") << u"0.1.0"_qs << u"0.1.0"_qs << 0;
        QTest::newRow("missing part is zero") << u"1.2"_qs << u"1.2.0"_qs << 0;
        QTest::newRow("several missing parts") << u"2"_qs << u"2.0.0.0"_qs << 0;
        QTest::newRow("numbers, not text") << u"1.10"_qs << u"1.9"_qs << 1;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs << 0;
        QTest::newRow("patch") << u"0.1.0"_qs << u"0.1.1"_qs << -1;
        QTest::newRow("major beats minor") << u"2.0"_qs << u"1.99.99"_qs << 1;
        QTest::newRow("extra non-zero part") << u"1.2.0.1"_qs << u"1.2"_qs << 1;
        QTest::newRow("beyond 64 bits")
            << u"1.18446744073709551617"_qs << u"1.18446744073709551616"_qs << 1;
        QTest::newRow("longer number") << u"1.100000000000000000000"_qs << u"1.99"_qs << 1;
    }

    void comparesPartByPartAsNumbers() {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, order);
        auto expected = order < 0   ? std::strong_ordering::less
                        : order > 0 ? std::strong_ordering::greater
                                    : std::strong_ordering::equal;
        QVERIFY(Version::compare(left, right) == expected);
        QVERIFY(Version::compare(right, left) == 0 <=> expected);
    }

    void acceptsOnlyDottedNumbers() {
        for (const QString& valid : {u"0"_qs, u"0.1.0"_qs, u"10.20.30.40"_qs})
            QVERIFY2(Version::isValid(valid), qPrintable(valid));
        for (const QString& invalid : {u""_qs, u"v1.2"_qs, u"1..2"_qs, u"1.2."_qs, u".1"_qs,
                                       u"1.2-beta"_qs, u"1.2 "_qs, u"1,2"_qs, u"١.٢"_qs})
            QVERIFY2(!Version::isValid(invalid), qPrintable(invalid));
    }
};

MOORKEEP_APP_TEST_MAIN(VersionTest)

#include "version_test.moc"
