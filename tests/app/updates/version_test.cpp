#include "support/app_test.h"
#include "updates/version.h"

// Version numbers, as the update check compares them.
class VersionTest : public QObject {
    Q_OBJECT

private slots:
    // Versions compare part by part as numbers; only dotted numbers are
    // versions.
    void versionsAreDottedNumbersComparedPartByPart() {
        const struct {
            const char* left;
            const char* right;
            int order;
        } cases[] = {
            {"0.1.0", "0.1.0", 0},
            {"1.2", "1.2.0", 0},                                     // a missing part is zero
            {"2", "2.0.0.0", 0},                                     // several missing parts
            {"1.10", "1.9", 1},                                      // numbers, not text
            {"1.02", "1.2", 0},                                      // leading zeros
            {"0.1.0", "0.1.1", -1},                                  // patch
            {"2.0", "1.99.99", 1},                                   // major beats minor
            {"1.2.0.1", "1.2", 1},                                   // an extra non-zero part
            {"1.18446744073709551617", "1.18446744073709551616", 1}, // beyond 64 bits
            {"1.100000000000000000000", "1.99", 1},                  // a longer number
        };
        const auto sign = [](std::strong_ordering o) { return o < 0 ? -1 : o > 0 ? 1 : 0; };
        for (const auto& [left, right, order] : cases) {
            const QString l = QString::fromLatin1(left), r = QString::fromLatin1(right);
            QVERIFY2(sign(Version::compare(l, r)) == order &&
                         sign(Version::compare(r, l)) == -order,
                     left);
        }
        for (const QString& valid : {u"0"_qs, u"0.1.0"_qs, u"10.20.30.40"_qs})
            QVERIFY2(Version::isValid(valid), qPrintable(valid));
        for (const QString& invalid : {u""_qs, u"v1.2"_qs, u"1..2"_qs, u"1.2."_qs, u".1"_qs,
                                       u"1.2-beta"_qs, u"1.2 "_qs, u"1,2"_qs, u"١.٢"_qs})
            QVERIFY2(!Version::isValid(invalid), qPrintable(invalid));
    }
};

MOORKEEP_APP_TEST(VersionTest);

#include "version_test.moc"
