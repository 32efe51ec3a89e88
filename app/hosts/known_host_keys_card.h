#pragma once

#include "model/known_host_keys.h"
#include "model/ssh_host.h"

#include <QTimer>
#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace moorkeep {

class AppModel;

// The host keys ssh trusts for a host, under the caption "KNOWN HOST KEYS":
// each key's type, fingerprint, file and line, and whether its line is
// hashed or marked, read on the model's workers each time a host is set;
// "Forget Host Keys…" removes them, once the user has confirmed which files
// lose how many lines. Without a key it says that ssh will ask on first
// connect.
class KnownHostKeysCard : public QWidget {
    Q_OBJECT

public:
    explicit KnownHostKeysCard(AppModel& model, QWidget* parent = nullptr);

    // Reads the keys of this host, showing none until they come. The reading
    // starts once the window has painted the rest of the host, and only for
    // the last host set by then, as when the selection runs down the list.
    void setHost(const SSHHost& host);
    // What was read last for the host; nothing while its first reading runs.
    const std::optional<KnownHostKeys>& keys() const { return keys_; }
    void reload();
    // Asks before forgetting; the answer comes with the alert.
    void confirmForget();

signals:
    void keysShown();

private:
    void showKeys(KnownHostKeys keys);
    QWidget* keyRow(const KnownHostKey& key);
    void setBody(QWidget* body);

    AppModel& model_;
    std::string name_;
    // Counts the readings started, so that only the last one is shown.
    int reading_ = 0;
    QTimer readSoon_;
    std::optional<KnownHostKeys> keys_;
    QVBoxLayout* cardLayout_ = nullptr;
    QWidget* body_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* forgetButton_ = nullptr;
};

} // namespace moorkeep
