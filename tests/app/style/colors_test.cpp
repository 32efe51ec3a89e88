#include "style/colors.h"
#include "style/icon_tile.h"
#include "support/app_test.h"

#include <tuple>

namespace {

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

// The colours, against what they are painted on.
class ColorsTest : public QObject {
    Q_OBJECT

private slots:
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
};

MOORKEEP_APP_TEST(ColorsTest);

#include "colors_test.moc"
