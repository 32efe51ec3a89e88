#pragma once

#include "model/ssh_host.h"

#include <QString>
#include <optional>

namespace moorkeep {

// Which dialog is open over the Hosts screen.
struct HostSheet {
    enum class Kind { edit, add, defaults };

    Kind kind = Kind::add;
    std::optional<SSHHost> host; // the host to edit

    static HostSheet edit(SSHHost host) { return {Kind::edit, std::move(host)}; }
    static HostSheet add() { return {Kind::add, std::nullopt}; }
    static HostSheet defaults() { return {Kind::defaults, std::nullopt}; }

    // Tells one open sheet from another: "edit:<id>", "add" or "defaults".
    QString identity() const {
        switch (kind) {
        case Kind::edit:
            return QStringLiteral("edit:") +
                   QString::fromStdString(host ? host->id : std::string());
        case Kind::add:
            return QStringLiteral("add");
        case Kind::defaults:
            break;
        }
        return QStringLiteral("defaults");
    }

    bool operator==(const HostSheet&) const = default;
};

} // namespace moorkeep
