#pragma once

#include "openssh/ignored_change.h"

#include <QFuture>
#include <QPromise>
#include <QString>
#include <memory>
#include <optional>

namespace moorkeep {

// Who shows the user why a call failed: the window's alert, or the dialog
// that asked and stays open to say why.
enum class ShownBy { window, caller };

// The future an operation hands its caller: finished once the result has
// been applied, or failed with a StoreError whose message the user sees.
// Left unfinished, it ends cancelled.
class Completion {
public:
    explicit Completion(ShownBy shownBy = ShownBy::window);

    QFuture<void> future() const { return promise_->future(); }
    ShownBy shownBy() const { return shownBy_; }
    void finish() const { promise_->finish(); }
    void fail(const QString& message,
              const std::optional<IgnoredChange::Winner>& ignored = std::nullopt) const;

private:
    std::shared_ptr<QPromise<void>> promise_;
    ShownBy shownBy_;
};

} // namespace moorkeep
