#pragma once

#include "model/completion.h"
#include "model/list_calls.h"
#include "model/store_calls.h"

#include <QFuture>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

template <typename List, typename Item> auto findById(List& list, const Item& item) {
    return std::find_if(list.begin(), list.end(),
                        [&](const auto& entry) { return entry.id == item.id; });
}

// Puts a removed entry back where it was: before the entry that followed it
// then, or at the end when that one is gone too. Nothing happens when an
// entry of the same id is back already.
template <typename Item>
void putBack(std::vector<Item>& list, const Item& item, const std::optional<std::string>& nextId) {
    if (findById(list, item) != list.end())
        return;
    auto next = nextId ? std::find_if(list.begin(), list.end(),
                                      [&](const Item& entry) { return entry.id == *nextId; })
                       : list.end();
    list.insert(next, item);
}

template <typename Item>
std::optional<std::string> idAfter(const std::vector<Item>& list, const std::string& id) {
    auto it =
        std::find_if(list.begin(), list.end(), [&](const Item& entry) { return entry.id == id; });
    if (it == list.end() || std::next(it) == list.end())
        return std::nullopt;
    return std::next(it)->id;
}

// One of the lists the model publishes, as a change of it sees it.
template <typename Item> struct PublishedList {
    std::function<const std::vector<Item>&()> items;
    std::function<void(std::vector<Item>)> set;
    ListCalls& calls;
    // A call on the list is over (failed or not).
    std::function<void(bool failed)> settled;
    // Tells the user why a call on it failed and ends the call's future.
    std::function<void(const Completion& done, const QString& message)> failed;
};

// The entry leaves the list at once, then work(store) runs as a change of
// the list; a failure puts the entry back where it was, unless an entry of
// its id is back already. A name makes it a change the user can take back.
template <typename Item, typename Work>
QFuture<void> removeAtOnce(StoreCalls& store, const PublishedList<Item>& list, const Item& item,
                           Work work, const QString& name = {}) {
    const std::vector<Item>& items = list.items();
    std::optional<Item> removed;
    if (auto it = findById(items, item); it != items.end())
        removed = *it;
    auto nextId = idAfter(items, item.id);

    auto remaining = items;
    std::erase_if(remaining, [&](const Item& entry) { return entry.id == item.id; });
    list.set(std::move(remaining));

    Completion done;
    list.calls.changeStarted();
    store.change(
        name, work,
        [done, list] {
            list.settled(false);
            done.finish();
        },
        [done, list, removed, nextId](const QString& message) {
            if (removed) {
                auto restored = list.items();
                putBack(restored, *removed, nextId);
                list.set(std::move(restored));
            }
            list.failed(done, message);
            list.settled(true);
        });
    return done.future();
}

} // namespace moorkeep
