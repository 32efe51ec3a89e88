// Grabs the main window on the demo data, as the README shows it:
//   QT_QPA_PLATFORM=offscreen moorkeep_screenshot keys docs/keys.png
#include "model/app_model.h"
#include "stores/demo_vault_store.h"
#include "window/content_view.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

using namespace moorkeep;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3 || (arguments[1] != u"hosts" && arguments[1] != u"keys")) {
        std::fprintf(stderr, "usage: moorkeep_screenshot hosts|keys OUTPUT.png\n");
        return 2;
    }
    AppModel model(std::make_shared<DemoVaultStore>());
    ContentView window(model);
    window.resize(1040, 680);
    window.show();
    model.setTab(arguments[1] == u"keys" ? AppTab::keys : AppTab::hosts);

    int status = 1;
    auto grab = [&] {
        status = window.grab().save(arguments[2]) ? 0 : 1;
        application.quit();
    };
    QObject::connect(&model, &AppModel::isLoadingChanged, &window,
                     [&] { QTimer::singleShot(300, &window, grab); });
    application.exec();
    return status;
}
