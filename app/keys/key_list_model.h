#pragma once

#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "screen/sidebar_list_model.h"

#include <QString>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorkeep {

// The Keys sidebar's rows: the keys whose name or type contains the search
// text (ignoring case), in the store's order, each with the number of hosts
// that use it. The counts are taken once per change of the host or key
// list, never while painting.
class KeyListModel : public SidebarListModel {
    Q_OBJECT

public:
    enum Role {
        KeyIdRole = Qt::UserRole + 1, // QString
        TypeRole,                     // QString
        HasPassphraseRole,            // bool, or invalid when unknown
        UsageCountRole,               // int
        InAgentRole,                  // bool: the ssh-agent holds the key
    };

    explicit KeyListModel(QObject* parent = nullptr);

    void setKeys(const std::vector<SSHKey>& keys);
    void setHosts(const std::vector<SSHHost>& hosts);
    void setSearch(const QString& search);
    // The ids of the keys the ssh-agent holds.
    void setHeldKeys(std::set<std::string> keyIds);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    std::optional<int> rowOf(const std::string& id) const override;
    std::string idAt(int row) const override;
    bool holds(const std::string& id) const override;
    int usageCount(const std::string& keyId) const;

private:
    struct Row {
        std::string id;
        QString name;
        QString type;
        QString lowerName;
        QString lowerType;
        std::optional<bool> hasPassphrase;
    };

    std::vector<int> filtered() const;
    void refilter();

    std::vector<Row> all_;
    std::vector<int> shown_; // indexes into all_
    std::unordered_map<std::string, int> usage_;
    std::set<std::string> held_;
    QString search_;
};

} // namespace moorkeep
