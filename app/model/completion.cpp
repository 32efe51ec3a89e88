#include "completion.h"

#include "model/store_error.h"

namespace moorkeep {

Completion::Completion(ShownBy shownBy)
    : promise_(std::make_shared<QPromise<void>>())
    , shownBy_(shownBy) {
    promise_->start();
}

void Completion::fail(const QString& message,
                      const std::optional<IgnoredChange::Winner>& ignored) const {
    promise_->setException(StoreError(message, ignored));
    promise_->finish();
}

} // namespace moorkeep
