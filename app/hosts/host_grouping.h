#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <string>

namespace moorkeep {

// Whether the Hosts sidebar groups the hosts by the file they live in, and
// which groups are folded away; remembered between runs in the window's
// settings. A group is known by its file's path; the stored hosts' group,
// which has no file, by the empty path.
class HostGrouping : public QObject {
    Q_OBJECT

public:
    // Starts as the settings say.
    explicit HostGrouping(QObject* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on);
    bool isCollapsed(const std::string& file) const;
    void setCollapsed(const std::string& file, bool collapsed);

signals:
    void changed();

private:
    void save() const;

    bool on_ = false;
    QSet<QString> collapsed_; // settings keys of the groups
};

} // namespace moorkeep
