// Writes the Hosts tab on the demo data, light and dark, as PNG files:
//   hosts_screenshots <folder>   (run with QT_QPA_PLATFORM=offscreen)
// The README's pictures come from here.
#include "app_model.h"
#include "content_view.h"
#include "stores/demo_vault_store.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

namespace {

QPalette darkPalette() {
    QPalette palette;
    const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x20), text(0xec, 0xec, 0xee);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xfd));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x6e, 0x73));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6e, 0x6e, 0x73));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6e, 0x6e, 0x73));
    return palette;
}

bool shoot(const QString& file) {
    moorkeep::AppModel model(std::make_shared<moorkeep::DemoVaultStore>());
    moorkeep::ContentView view(model);
    view.resize(1040, 680);
    view.show();
    if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 5000))
        return false;
    QTest::qWait(300);
    return view.grab().save(file);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    const QPalette light = QApplication::style()->standardPalette();
    QApplication::setPalette(light);
    if (!shoot(folder.filePath(QStringLiteral("hosts-light.png"))))
        return 1;
    QApplication::setPalette(darkPalette());
    return shoot(folder.filePath(QStringLiteral("hosts-dark.png"))) ? 0 : 1;
}
