#pragma once

#include <QFuture>
#include <optional>
#include <string>

namespace moorkeep {

class AppModel;
class StoreCalls;

// The user's preferences as the store keeps them.
class PreferenceCalls {
public:
    PreferenceCalls(AppModel& model, StoreCalls& store);

    // Read from the store each time, as another instance may have changed
    // it; nothing for the automatic choice, or when it cannot be read.
    QFuture<std::optional<std::string>> preferredTerminal();
    QFuture<void> setPreferredTerminal(const std::optional<std::string>& commandLine);

private:
    AppModel& model_;
    StoreCalls& store_;
};

} // namespace moorkeep
