#include "application/app_settings.h"
#include "hosts/host_detail_view.h"
#include "hosts/known_host_keys_card.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <cstdlib>

namespace {

std::string home() {
    return qEnvironmentVariable("HOME").toStdString();
}

void keygen(const std::string& file) {
    const std::string command =
        "rm -f " + file + "*; /usr/bin/ssh-keygen -q -t ed25519 -N '' -f " + file;
    if (std::system(command.c_str()) != 0)
        qFatal("ssh-keygen failed");
}

// web has all a host may show: a line OpenSSH ignores, a jump host, extra
// options, a second block that applies, a finding (its key file is missing)
// and a known host key; db has none of them, but a key with its type.
void writeHome() {
    const std::string ssh = home() + "/.ssh/";
    writeFile(ssh + "config", "Host *\n  User admin\n"
                              "Host w*\n  ServerAliveInterval 60\n"
                              "Host web\n  HostName web.example.org\n  Port 2222\n  User bob\n"
                              "  ProxyJump bastion\n  IdentityFile ~/.ssh/id_missing\n"
                              "  Compression yes\n  ForwardAgent no\n"
                              "Host db\n  HostName db.example.org\n  IdentityFile ~/.ssh/id_db\n");
    keygen(ssh + "id_db");
    keygen(home() + "/host_key");
    const std::string pub = readFile(home() + "/host_key.pub");
    writeFile(ssh + "known_hosts",
              "[web.example.org]:2222 " + pub.substr(0, pub.find(' ', pub.find(' ') + 1)) + "\n");
}

// What the detail shows once the host's known host keys are read: each part
// shown, in the order screen readers meet them, with its texts, whether it
// acts, and where the page is scrolled; and the picture of the whole column.
struct Shown {
    QStringList parts;
    QImage picture;
};

Shown shownAfterSelecting(StoreWindow& w, const std::string& alias) {
    w.view.hostsState().setSelectedId(w.host(alias)->id);
    if (!QTest::qWaitFor([&] {
            auto* card = w.find<KnownHostKeysCard>(u"knownHostKeysSection"_qs);
            return card && card->keys() && card->keys()->name == alias;
        }))
        qFatal("the known host keys did not come");
    // Until the layouts have taken in what the keys changed.
    QTest::qWait(100);
    auto* view = w.find<HostDetailView>(u"hostDetailView"_qs);
    auto* column = w.find(u"hostDetailColumn"_qs);
    Shown shown{{QString::number(view->verticalScrollBar()->value())}, column->grab().toImage()};
    for (QWidget* part : column->findChildren<QWidget*>()) {
        if (!part->isVisibleTo(column))
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(part))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(part))
            text = button->text();
        shown.parts << QStringList{QString::fromLatin1(part->metaObject()->className()),
                                   part->objectName(),
                                   text,
                                   part->accessibleName(),
                                   part->toolTip(),
                                   part->isEnabled() ? u"on"_qs : u"off"_qs}
                           .join(u'|');
    }
    return shown;
}

struct Move {
    const char* name;
    std::string from;
    std::string to;
};

} // namespace

Q_DECLARE_METATYPE(Move)

// The host detail pane, on the files of the test's home.
class HostsDetailTest : public QObject {
    Q_OBJECT

private slots:
    void init() { AppSettings::open()->clear(); }

    // The pane is refilled as the selection moves: what the host before had
    // and this one lacks is gone, what it lacked is there, the command is not
    // copied yet and the page starts at the top, exactly as when the host is
    // the first shown.
    void aHostAfterAnotherShowsAsTheFirstShown_data() {
        addRows<Move>({{"to a host with less", "web", "db"}, {"to a host with more", "db", "web"}});
    }

    void aHostAfterAnotherShowsAsTheFirstShown() {
        QFETCH(Move, row);
        writeHome();
        StoreWindow w(std::make_shared<SystemVaultStore>());
        w.view.resize(900, 400);
        w.view.hostsState().setSelectedId(w.host("web")->id);
        QTRY_VERIFY(w.find(u"hostFinding"_qs) && w.find(u"hostFinding"_qs)->isVisible());

        shownAfterSelecting(w, row.from);
        w.find<HostDetailView>(u"hostDetailView"_qs)->copyCommand();
        w.find<HostDetailView>(u"hostDetailView"_qs)->verticalScrollBar()->setValue(40);
        const Shown after = shownAfterSelecting(w, row.to);
        w.view.hostsState().setSelectedId(std::nullopt);
        QTRY_VERIFY(!w.find(u"hostDetailView"_qs));
        const Shown first = shownAfterSelecting(w, row.to);

        QCOMPARE(after.parts, first.parts);
        QVERIFY(after.picture == first.picture);
    }
};

MOORKEEP_APP_TEST(HostsDetailTest);

#include "hosts_detail_test.moc"
