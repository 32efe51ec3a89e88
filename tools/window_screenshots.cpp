// Writes the Hosts and Keys tabs on the demo data, the passphrase dialog
// over the Keys tab, and the Keys tab on a key the demo's ssh-agent holds,
// light and dark, as PNG files:
//   window_screenshots <folder>   (run with QT_QPA_PLATFORM=offscreen)
// The README's pictures come from here.
#include "app_model.h"
#include "content_view.h"
#include "keys/keys_state.h"
#include "stores/demo_vault_store.h"

#include <QApplication>
#include <QDialog>
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

enum class Shot {
    window,     // the window on the tab
    passphrase, // the first key's passphrase dialog over it, grabbed alone
    agent       // the window on the demo key the agent holds, its "In agent" badge showing
};

bool shoot(moorkeep::AppTab tab, Shot shot, const QString& file) {
    moorkeep::AppModel model(std::make_shared<moorkeep::DemoVaultStore>());
    moorkeep::ContentView view(model);
    view.resize(1040, 680);
    model.setTab(tab);
    view.show();
    // The demo's agent always holds keys: once it answered, the badges show.
    if (!QTest::qWaitFor([&] { return !model.isLoading() && !model.agent().fingerprints.empty(); },
                         5000))
        return false;
    if (shot == Shot::agent)
        view.keysState().setSelectedId("2");
    QTest::qWait(300);
    if (shot != Shot::passphrase)
        return view.grab().save(file);
    view.keysState().setSheet(moorkeep::KeySheet::passphrase(model.keys().front()));
    auto* dialog = view.findChild<QDialog*>(QStringLiteral("passphraseDialog"));
    if (!dialog)
        return false;
    QTest::qWait(300);
    return dialog->grab().save(file);
}

bool shootAll(const QDir& folder, const QString& theme) {
    using moorkeep::AppTab;
    return shoot(AppTab::hosts, Shot::window, folder.filePath(u"hosts-%1.png"_qs.arg(theme))) &&
           shoot(AppTab::keys, Shot::window, folder.filePath(u"keys-%1.png"_qs.arg(theme))) &&
           shoot(AppTab::keys, Shot::passphrase,
                 folder.filePath(u"passphrase-%1.png"_qs.arg(theme))) &&
           shoot(AppTab::keys, Shot::agent, folder.filePath(u"agent-%1.png"_qs.arg(theme)));
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QApplication::setPalette(QApplication::style()->standardPalette());
    if (!shootAll(folder, QStringLiteral("light")))
        return 1;
    QApplication::setPalette(darkPalette());
    return shootAll(folder, QStringLiteral("dark")) ? 0 : 1;
}
