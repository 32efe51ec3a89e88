#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/symbols.h"
#include "style/type_ramp.h"
#include "support/app_test_main.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QtTest>
#include <tuple>

using namespace moorkeep;

namespace {

int inkedPixels(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

QPalette themed(bool dark, const QColor& accent) {
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xef, 0xef, 0xef));
    palette.setColor(QPalette::WindowText, dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(Qt::black));
    palette.setColor(QPalette::Base, dark ? QColor(0x2a, 0x2a, 0x2a) : QColor(Qt::white));
    palette.setColor(QPalette::Highlight, accent);
    return palette;
}

} // namespace

Q_DECLARE_METATYPE(QPalette)

class StyleTest : public QObject {
    Q_OBJECT

private slots:
    void everyScreenSymbolIsDrawnAtEverySize() {
        // The names the screens ask for; a missing one would show an empty button.
        const QStringList used =
            QString::fromLatin1("arrow.clockwise arrow.left.arrow.right calendar checkmark "
                                "doc.on.doc doc.text folder globe key.fill lock.fill lock.open "
                                "magnifyingglass number pencil person plus server.rack shield "
                                "sidebar.leading slider.horizontal.3 terminal touchid trash")
                .split(u' ');
        for (const QString& name : used) {
            QVERIFY2(Symbols::has(name), qPrintable(name));
            for (int pixels : {10, 16, 32}) {
                const QPixmap pixmap = Symbols::pixmap(name, Qt::black, pixels);
                QCOMPARE(pixmap.size(), QSize(pixels, pixels));
                QVERIFY2(inkedPixels(pixmap) > pixels / 2, qPrintable(name));
            }
            QVERIFY(!Symbols::icon(name).pixmap(24, 24).isNull());
        }
        QCOMPARE(inkedPixels(Symbols::pixmap(QStringLiteral("no.such.symbol"), Qt::black, 16)), 0);
        QVERIFY(Symbols::icon(QStringLiteral("no.such.symbol")).isNull());
    }

    // Symbols reach 3:1 and text 4.5:1 against what they are painted on,
    // also where the theme's own accent is too dim or too pale for it.
    void foregroundsStandOutFromTheirTiles_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << themed(false, QColor(0x30, 0x8c, 0xc6));
        QTest::newRow("light, pale accent") << themed(false, QColor(0x9e, 0xcb, 0xff));
        QTest::newRow("dark") << themed(true, QColor(0x3d, 0x8b, 0xfd));
        QTest::newRow("dark, deep accent") << themed(true, QColor(0x15, 0x53, 0x9e));
    }

    void foregroundsStandOutFromTheirTiles() {
        QFETCH(QPalette, palette);
        const QPalette original = QApplication::palette();
        QApplication::setPalette(palette);
        QCOMPARE(Colors::accent(), palette.color(QPalette::Highlight));
        for (const QColor& ground : {Colors::windowBackground(), Colors::controlBackground()}) {
            const auto tint = [&](const QColor& colour, qreal opacity = Colors::tintOpacity) {
                return Colors::over(Colors::withOpacity(colour, opacity), ground);
            };
            const QColor tile = tint(Colors::accent(), IconTile::headerLook.fillOpacity);
            const std::tuple<const char*, QColor, QColor, qreal> pairs[]{
                {"type and usage badges", Colors::accentOnTint(), tint(Colors::accent()),
                 Colors::textContrast},
                {"neutral badges", Colors::secondary(), tint(Colors::secondary()),
                 Colors::textContrast},
                {"warning badges", Colors::onOwnTint(Colors::warning()), tint(Colors::warning()),
                 Colors::textContrast},
                {"captions", Colors::secondary(), ground, Colors::textContrast},
                {"tile symbols", Colors::readableOn(Colors::accent(), tile, Colors::symbolContrast),
                 tile, Colors::symbolContrast},
                {"text", Colors::primary(), ground, Colors::textContrast}};
            for (const auto& [role, foreground, background, least] : pairs)
                QVERIFY2(Colors::contrast(foreground, background) >= least, role);
        }
        QApplication::setPalette(original);
        QCOMPARE(Colors::contrast(Qt::black, Qt::white), 21.0);
        QCOMPARE(Colors::contrast(Qt::gray, Qt::gray), 1.0);
        QCOMPARE(Colors::withOpacity(Qt::black, 0.15).alpha(), 38);
    }

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

MOORKEEP_APP_TEST_MAIN(StyleTest)
#include "style_test.moc"
