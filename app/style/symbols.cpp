#include "symbols.h"

#include "colors.h"

#include <QApplication>
#include <QCache>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <memory>

namespace moorkeep::Symbols {

namespace {

constexpr qreal grid = 16;
// The stroke width the files are drawn with: that of a 16-pixel symbol.
constexpr qreal drawnStroke = 1.3;

QString fileOf(const QString& name) {
    return u":/symbols/"_qs + name + u".svg"_qs;
}

// Lines stay about 1.3 pixels wide at small sizes and thin out relative to
// larger ones, so big symbols do not look bold. The files' stroke widths are
// scaled to suit the size drawn.
QByteArray atSize(const QByteArray& svg, qreal side) {
    const qreal scale = std::max(1.0, drawnStroke * grid / side) / drawnStroke;
    static const QRegularExpression width(u"stroke-width=\"([0-9.]+)\""_qs);
    QString text = QString::fromUtf8(svg);
    QString scaled;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& match : width.globalMatch(text)) {
        scaled += QStringView(text).sliced(from, match.capturedStart() - from);
        scaled += u"stroke-width=\"%1\""_qs.arg(match.captured(1).toDouble() * scale);
        from = match.capturedEnd();
    }
    scaled += QStringView(text).sliced(from);
    return scaled.toUtf8();
}

// One renderer per symbol and size, made on first use: the window draws the
// same few over and over.
QSvgRenderer* renderer(const QString& name, qreal side) {
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    const QString key = name + u'@' + QString::number(side);
    if (const auto found = renderers.constFind(key); found != renderers.constEnd())
        return found->get();
    QFile file(fileOf(name));
    if (!has(name) || !file.open(QIODevice::ReadOnly))
        return nullptr;
    auto made = std::make_shared<QSvgRenderer>(atSize(file.readAll(), side));
    renderers.insert(key, made);
    return made.get();
}

// The symbol drawn in black on a transparent square of side pixels in the
// middle of an image of the size, then tinted: everything it covers takes
// color. Kept for the next paint: lists and detail panes paint the same few
// symbols in the same few colours over and over, and drawing one from its
// SVG costs more than all the rest of a list's row.
QImage tinted(const QString& name, const QSizeF& size, const QColor& color, qreal ratio) {
    static QCache<QString, QImage> images(4 * 1024 * 1024);
    const QString key = u"%1@%2x%3@%4#%5"_qs.arg(name)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(ratio)
                            .arg(color.rgba64());
    if (const QImage* found = images.object(key))
        return *found;
    const qreal side = std::min(size.width(), size.height());
    QSvgRenderer* svg = side > 0 ? renderer(name, side) : nullptr;
    if (!svg || !svg->isValid())
        return {};
    QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter onImage(&image);
        onImage.setRenderHint(QPainter::Antialiasing);
        const QPointF corner((size.width() - side) / 2, (size.height() - side) / 2);
        svg->render(&onImage, QRectF(corner, QSizeF(side, side)));
        onImage.setCompositionMode(QPainter::CompositionMode_SourceIn);
        onImage.fillRect(QRectF(QPointF(0, 0), size), color);
    }
    images.insert(key, new QImage(image), int(image.sizeInBytes()));
    return image;
}

void paintSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage image = tinted(name, rect.size(), color, ratio);
    if (!image.isNull())
        painter.drawImage(rect.topLeft(), image);
}

// Paints the symbol afresh for every size and state, so icons stay sharp at
// any scale; without a colour of its own it follows the palette.
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString name, std::optional<QColor> color)
        : name_(std::move(name))
        , color_(std::move(color)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor color = color_.value_or(Colors::primary());
        if (mode == QIcon::Disabled)
            color = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
        else if (mode == QIcon::Selected && !color_)
            color = QApplication::palette().color(QPalette::HighlightedText);
        paintSymbol(*painter, name_, rect, color);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        pixmap.setDevicePixelRatio(scale);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SymbolEngine(name_, color_); }

private:
    QString name_;
    std::optional<QColor> color_;
};

QIcon makeIcon(const QString& name, std::optional<QColor> color) {
    if (!has(name))
        return {};
    return QIcon(new SymbolEngine(name, std::move(color)));
}

} // namespace

QIcon icon(const QString& name) {
    return makeIcon(name, std::nullopt);
}

QIcon icon(const QString& name, const QColor& color) {
    return makeIcon(name, color);
}

QPixmap pixmap(const QString& name, const QColor& color, int pixels, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(pixels, pixels) * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&pixmap);
    paintSymbol(painter, name, QRectF(0, 0, pixels, pixels), color);
    return pixmap;
}

QStringList names() {
    QStringList names = QDir(u":/symbols"_qs).entryList({u"*.svg"_qs}, QDir::Files, QDir::Name);
    for (QString& name : names)
        name.chop(4);
    return names;
}

bool has(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && QFile::exists(fileOf(name));
}

} // namespace moorkeep::Symbols
