#include "style/type_ramp.h"
#include "support/app_test.h"

// The sizes and faces of the text.
class TypeRampTest : public QObject {
    Q_OBJECT

private slots:
    void typeRampStepsFromTheBodySize() {
        using TypeRamp::Style;
        const int body = TypeRamp::pixelSize(Style::body);
        QVERIFY(TypeRamp::pixelSize(Style::caption2) <= TypeRamp::pixelSize(Style::caption));
        QVERIFY(TypeRamp::pixelSize(Style::caption) < body);
        QVERIFY(TypeRamp::pixelSize(Style::title2) > TypeRamp::pixelSize(Style::title3));
        QVERIFY(TypeRamp::pixelSize(Style::title3) > body);
        QCOMPARE(TypeRamp::font(Style::headline).weight(), QFont::Bold);
        // Every glyph as wide as the next, whatever the desktop calls
        // monospace (ctest runs this once more with a fontconfig that maps it
        // to a proportional face).
        const QFontMetrics mono(TypeRamp::monospaced(Style::body));
        QCOMPARE(mono.horizontalAdvance(u"iiii"_qs), mono.horizontalAdvance(u"MMMM"_qs));
        QCOMPARE(TypeRamp::sized(13).pixelSize(), 13);
    }
};

MOORKEEP_APP_TEST(TypeRampTest);

#include "type_ramp_test.moc"
