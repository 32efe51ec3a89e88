#pragma once

#include "openssh/ignored_change.h"

#include <QFuture>
#include <QString>
#include <functional>
#include <optional>

class QObject;

namespace moorkeep {

// How an app model call's future ended.
struct CallEnd {
    bool succeeded = false;
    // The failure's message; none for a success, and none for a call that
    // was abandoned (its model went away).
    std::optional<QString> failure;
    // A change OpenSSH would not use: the block that wins.
    std::optional<IgnoredChange::Winner> ignored = {};
};

// Calls then on context's thread once the future has finished, however it
// ended; nothing when context is gone by then.
void whenFinished(const QFuture<void>& future, QObject* context,
                  std::function<void(const CallEnd&)> then);

} // namespace moorkeep
