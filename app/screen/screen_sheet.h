#pragma once

#include <QString>
#include <optional>

namespace moorkeep {

// Which dialog is open over a screen: its kind, and the entry it is about
// (the host to edit, the key to rename), if any. Kind has a kindName(Kind)
// found next to it.
template <typename Kind, typename Item> struct ScreenSheet {
    Kind kind{};
    std::optional<Item> item;

    // Tells one open sheet from another: the kind's name, then ":<id>" for
    // one about an entry ("edit:<id>", "generate").
    QString identity() const {
        const QString name = QString::fromLatin1(kindName(kind));
        return item ? name + u':' + QString::fromStdString(item->id) : name;
    }

    bool operator==(const ScreenSheet&) const = default;
};

} // namespace moorkeep
