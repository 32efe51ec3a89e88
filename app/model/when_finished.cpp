#include "when_finished.h"

#include "model/store_error.h"

#include <QFutureWatcher>

namespace moorkeep {

void whenFinished(const QFuture<void>& future, QObject* context,
                  std::function<void(const CallEnd&)> then) {
    auto* watcher = new QFutureWatcher<void>(context);
    QObject::connect(watcher, &QFutureWatcher<void>::finished, context,
                     [watcher, then = std::move(then)] {
                         watcher->deleteLater();
                         QFuture<void> done = watcher->future();
                         try {
                             done.waitForFinished();
                         } catch (const StoreError& error) {
                             then({false, error.message(), error.ignored()});
                             return;
                         } catch (const std::exception& error) {
                             then({false, QString::fromUtf8(error.what())});
                             return;
                         }
                         then({!done.isCanceled(), std::nullopt});
                     });
    watcher->setFuture(future);
}

} // namespace moorkeep
