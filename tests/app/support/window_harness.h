#pragma once

#include "content_view.h"
#include "support/app_test.h"

#include <QAction>
#include <memory>

namespace moorkeep::test {

// A fake store on the data, a model on it showing the tab, and the main
// window on the model, not shown yet. The window goes first.
struct WindowHarness : AppHarness {
    explicit WindowHarness(VaultData data = sampleVault(), AppTab tab = AppTab::hosts) {
        store->setData(std::move(data));
        view = std::make_unique<ContentView>(*model);
        model->setTab(tab);
    }

    ~WindowHarness() {
        store->releaseAll();
        view.reset();
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return view->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }

    // Shows the window as the active one and waits for the first load.
    void showLoaded() {
        view->show();
        QApplication::setActiveWindow(view.get());
        if (!QTest::qWaitForWindowActive(view.get()) ||
            !QTest::qWaitFor([&] { return !model->isLoading(); }, 5000))
            qFatal("the window did not come up");
    }

    std::unique_ptr<ContentView> view;
};

// The main window on a store of the test's choosing (most often the system
// store of the test's home), shown, made the active one and loaded.
struct StoreWindow {
    explicit StoreWindow(std::shared_ptr<VaultStore> store, AppTab tab = AppTab::hosts)
        : model(std::move(store))
        , view(model) {
        model.setTab(tab);
        view.show();
        QApplication::setActiveWindow(&view);
        if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 5000))
            qFatal("the window did not load");
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return view.findChild<T*>(name);
    }
    const SSHHost* host(const std::string& alias) const {
        for (const auto& host : model.hosts())
            if (host.alias == alias)
                return &host;
        return nullptr;
    }

    AppModel model;
    ContentView view;
};

} // namespace moorkeep::test
