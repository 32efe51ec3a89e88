#include "tray_icon_image.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace moorkeep::TrayIconImage {

namespace {

// Panel sizes in use, and their doubles for high-density screens.
constexpr int sizes[] = {16, 22, 24, 32, 44, 48, 64};

QPixmap render(QSvgRenderer& renderer, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

bool prefersSymbolic() {
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':')) {
        for (const char* name : {"GNOME", "Unity", "Pantheon", "Budgie"})
            if (desktop.contains(QLatin1String(name), Qt::CaseInsensitive))
                return true;
    }
    return false;
}

} // namespace

QIcon colour() {
    QSvgRenderer renderer(QStringLiteral(":/icons/tray-icon.svg"));
    QIcon icon;
    for (int size : sizes)
        icon.addPixmap(render(renderer, size));
    return icon;
}

QIcon symbolic(const QColor& colour) {
    QSvgRenderer renderer(QStringLiteral(":/icons/tray-icon-symbolic.svg"));
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap = render(renderer, size);
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), colour);
        painter.end();
        icon.addPixmap(pixmap);
    }
    icon.setIsMask(true);
    return icon;
}

QIcon forDesktop() {
    if (!prefersSymbolic())
        return colour();
    // Installed by the package; named, the panel can colour it itself. Those
    // panels are dark, so our own copy is drawn light.
    return QIcon::fromTheme(QStringLiteral("moorkeep-tray-symbolic"),
                            symbolic(QColor(0xf2, 0xf2, 0xf2)));
}

} // namespace moorkeep::TrayIconImage
