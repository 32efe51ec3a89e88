#include "style/symbols.h"
#include "support/app_test.h"

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

} // namespace

// The symbols the screens draw.
class SymbolsTest : public QObject {
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
};

MOORKEEP_APP_TEST(SymbolsTest);

#include "symbols_test.moc"
