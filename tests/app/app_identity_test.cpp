#include "app_identity.h"
#include "store_choice.h"
#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/symbols.h"
#include "style/type_ramp.h"
#include "support/app_test.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
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

// How the program shows itself: its name, icon and start-up choices, and the
// symbols, colours and type of its screens.
class AppIdentityTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("MOORKEEP_DEMO"); }

    // --help and --version are answered; Qt's own single-dash options (whose
    // letters include h and v) and anything else start the program.
    void answersOnlyHelpAndVersion_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("answerStart"); // empty for none
        const QString version = QStringLiteral("moorkeep " MOORKEEP_VERSION "\n");
        QTest::newRow("--version") << u"--version"_qs << version;
        QTest::newRow("-v") << u"-v"_qs << version;
        QTest::newRow("--help") << u"--help"_qs << u"Usage: moorkeep"_qs;
        QTest::newRow("-h after a Qt option")
            << u"-platform offscreen -h"_qs << u"Usage: moorkeep"_qs;
        QTest::newRow("nothing") << QString() << QString();
        QTest::newRow("-platform xcb") << u"-platform xcb"_qs << QString();
        QTest::newRow("-reverse") << u"-reverse"_qs << QString();
    }

    void answersOnlyHelpAndVersion() {
        QFETCH(QString, arguments);
        QFETCH(QString, answerStart);
        auto answer = AppIdentity::commandLineAnswer(
            (u"moorkeep "_qs + arguments).split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(answer.has_value(), !answerStart.isEmpty());
        QVERIFY2(answer.value_or(QString()).startsWith(answerStart),
                 qPrintable(answer.value_or(u"(none)"_qs)));
    }

    // The name docks match the window to is the installed desktop entry's.
    // Without a theme icon of that name the built-in renderings are used,
    // from the smallest size to the largest.
    void desktopEntryNameAndBuiltInIcon() {
        AppIdentity::apply();
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QFileInfo(QStringLiteral(MOORKEEP_DESKTOP_ENTRY)).completeBaseName());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Moorkeep"));
        QIcon::setThemeSearchPaths({});
        QIcon icon = AppIdentity::icon();
        auto sizes = icon.availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(512, 512)));
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
    }

    // MOORKEEP_DEMO picks the demo store only when it is exactly "1".
    void onlyExactlyOneSelectsTheDemo_data() {
        QTest::addColumn<QByteArray>("value"); // null for unset
        QTest::addColumn<bool>("demo");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("yes") << QByteArray("yes") << false;
        QTest::newRow("01") << QByteArray("01") << false;
        QTest::newRow("1 followed by a space") << QByteArray("1 ") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("unset") << QByteArray() << false;
    }

    void onlyExactlyOneSelectsTheDemo() {
        QFETCH(QByteArray, value);
        QFETCH(bool, demo);
        if (!value.isNull())
            qputenv("MOORKEEP_DEMO", value);

        auto store = StoreChoice::storeFromEnvironment();
        QCOMPARE(dynamic_cast<DemoVaultStore*>(store.get()) != nullptr, demo);
        QCOMPARE(dynamic_cast<SystemVaultStore*>(store.get()) != nullptr, !demo);
    }

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

MOORKEEP_APP_TEST_MAIN(AppIdentityTest)

#include "app_identity_test.moc"
