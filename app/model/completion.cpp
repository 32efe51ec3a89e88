#include "completion.h"

#include "model/store_error.h"

namespace moorkeep {

Completion::Completion(ShownBy shownBy)
    : promise_(std::make_shared<QPromise<void>>())
    , shownBy_(shownBy) {
    promise_->start();
}

void Completion::fail(const QString& message) const {
    promise_->setException(StoreError(message));
    promise_->finish();
}

} // namespace moorkeep
