#include "style/symbols.h"
#include "support/app_test.h"

#include <QSvgRenderer>

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
                                "chevron.down chevron.right doc.on.doc doc.text folder globe "
                                "key.fill lock.fill lock.open magnifyingglass number pencil person "
                                "plus server.rack shield sidebar.leading slider.horizontal.3 "
                                "terminal touchid trash")
                .split(u' ');
        QCOMPARE(Symbols::names(), used);
        const QColor tint(0x12, 0x80, 0xf0);
        for (const QString& name : used) {
            QVERIFY2(Symbols::has(name), qPrintable(name));
            QSvgRenderer file(u":/symbols/"_qs + name + u".svg"_qs);
            QVERIFY2(file.isValid() && file.viewBoxF() == QRectF(0, 0, 16, 16), qPrintable(name));
            for (int pixels : {10, 16, 32}) {
                const QPixmap pixmap = Symbols::pixmap(name, tint, pixels);
                QCOMPARE(pixmap.size(), QSize(pixels, pixels));
                QVERIFY2(inkedPixels(pixmap) > pixels / 2, qPrintable(name));
                // Drawn in the colour asked for, whatever the file's own.
                const QImage image = pixmap.toImage();
                for (int y = 0; y < pixels; ++y)
                    for (int x = 0; x < pixels; ++x)
                        if (qAlpha(image.pixel(x, y)) == 255)
                            QCOMPARE(image.pixelColor(x, y), tint);
            }
            QVERIFY(!Symbols::icon(name).pixmap(24, 24).isNull());
        }
        // Drawn once more in another colour, a symbol takes that one.
        for (const QColor& color : {tint, QColor(Qt::red), tint}) {
            const QImage image = Symbols::pixmap(u"plus"_qs, color, 32).toImage();
            QCOMPARE(image.pixelColor(16, 8), color);
        }
        // Lines are 1.3 pixels wide up to about 21 pixels, then a sixteenth of the size.
        for (const auto& [pixels, width] :
             {std::pair{10, 1.3}, std::pair{16, 1.3}, std::pair{64, 4.0}}) {
            const QImage plus = Symbols::pixmap(u"plus"_qs, Qt::black, pixels).toImage();
            qreal across = 0;
            for (int y = 0; y < pixels; ++y)
                across += qAlpha(plus.pixel(pixels / 4, y)) / 255.0;
            QVERIFY2(std::abs(across - width) < 0.25, qPrintable(QString::number(across)));
        }
        for (const QString& unknown : {u"no.such.symbol"_qs, u""_qs, u"../icons/tray-icon"_qs}) {
            QVERIFY(!Symbols::has(unknown));
            QCOMPARE(inkedPixels(Symbols::pixmap(unknown, Qt::black, 16)), 0);
            QVERIFY(Symbols::icon(unknown).isNull());
        }
    }
};

MOORKEEP_APP_TEST(SymbolsTest);

#include "symbols_test.moc"
