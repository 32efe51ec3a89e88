#include "application/app_settings.h"
#include "hosts/known_host_keys_card.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

std::string home() {
    return qEnvironmentVariable("HOME").toStdString();
}

// Runs the shell command, which must succeed; its first word of output.
std::string run(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    char word[256] = {};
    if (!pipe || std::fscanf(pipe, "%255s", word) < 0 || ::pclose(pipe) != 0)
        qFatal("%s failed", command.c_str());
    return word;
}

// web is looked up as "[web.example.org]:2222": a line hashed by ssh-keygen,
// a plain one and a revoked key; db has no key yet. Returns the file's text.
std::string writeHome() {
    writeFile(home() + "/.ssh/config", "Host web\n  HostName web.example.org\n  Port 2222\n"
                                       "Host db\n  HostName db.example.org\n");
    run("ssh-keygen -q -t ed25519 -N '' -f " + home() + "/host_key; echo made");
    const std::string pub = readFile(home() + "/host_key.pub");
    const std::string key = pub.substr(0, pub.find(' ', pub.find(' ') + 1));
    const std::string knownHosts = home() + "/.ssh/known_hosts";
    writeFile(knownHosts, "[web.example.org]:2222 " + key + "\n");
    run("ssh-keygen -H -f " + knownHosts + " >/dev/null 2>&1; echo hashed");
    const std::string text = readFile(knownHosts) + "# by hand\n[web.example.org]:2222 " + key +
                             "\n@revoked [web.example.org]:2222 " + key + "\n";
    writeFile(knownHosts, text);
    return text;
}

// The card of the selected host once it has shown what it read.
KnownHostKeysCard* shownCard(StoreWindow& w, const std::string& alias) {
    w.view.hostsState().setSelectedId(w.host(alias)->id);
    KnownHostKeysCard* card = nullptr;
    const bool shown = QTest::qWaitFor([&] {
        card = w.find<KnownHostKeysCard>(u"knownHostKeysSection"_qs);
        return card && card->keys() && card->keys()->name == alias;
    });
    return shown ? card : nullptr;
}

QStringList labels(QWidget* card, const QString& name) {
    QStringList out;
    for (auto* label : card->findChildren<QLabel*>(name))
        out << label->text();
    return out;
}

} // namespace

// The Known Host Keys card of a host's detail, on the files of the test's home.
class KnownHostKeysCardTest : public QObject {
    Q_OBJECT

private slots:
    void init() { AppSettings::open()->clear(); }

    // Each key with its type, fingerprint, file:line and badges; forgetting
    // asks first, naming the file and count, and leaves the file as
    // ssh-keygen -R does; the revoked key stays. The keyboard reaches the
    // button, and every part has a name for screen readers.
    void showsTheKeysAndForgetsThemAfterAsking() {
        const std::string text = writeHome();
        StoreWindow w(std::make_shared<SystemVaultStore>());
        KnownHostKeysCard* card = shownCard(w, "web");
        QVERIFY(card);
        const QString print = QString::fromStdString(
            run("ssh-keygen -lf " + home() + "/host_key.pub | cut -d' ' -f2"));
        QCOMPARE(labels(card, u"knownHostKeyFingerprint"_qs), QStringList(3, print));
        QCOMPARE(labels(card, u"knownHostKeyType"_qs), QStringList(3, u"ssh-ed25519"_qs));
        QCOMPARE(labels(card, u"knownHostKeyPlace"_qs),
                 strings({"~/.ssh/known_hosts:1", "~/.ssh/known_hosts:3", "~/.ssh/known_hosts:4"}));
        const auto rows = card->findChildren<QWidget*>(u"knownHostKeyRow"_qs);
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0]->findChild<QLabel*>(u"knownHostKeyHashedBadge"_qs));
        QVERIFY(!rows[1]->findChild<QLabel*>(u"knownHostKeyHashedBadge"_qs));
        QCOMPARE(rows[2]->findChild<QLabel*>(u"knownHostKeyMarkerBadge"_qs)->text(),
                 u"@revoked"_qs);
        QCOMPARE(rows[0]->accessibleName(),
                 u"ssh-ed25519, "_qs + print + u", ~/.ssh/known_hosts:1, hashed"_qs);
        QVERIFY(card->findChild<QLabel*>(u"knownHostKeysNote"_qs)
                    ->text()
                    .contains(u"[web.example.org]:2222"_qs));

        auto* forget = card->findChild<QPushButton*>(u"forgetHostKeysButton"_qs);
        QVERIFY(forget->isEnabled() && forget->focusPolicy() & Qt::TabFocus);
        QVERIFY(!forget->accessibleName().isEmpty());
        forget->setFocus();
        QTest::keyClick(forget, Qt::Key_Space);
        QMessageBox* alert = nullptr;
        QTRY_VERIFY(alert = w.find<QMessageBox>(u"forgetHostKeysAlert"_qs));
        QVERIFY(alert->informativeText().startsWith(
            u"This removes 2 lines from ~/.ssh/known_hosts."_qs));
        alert->findChild<QPushButton*>(u"cancelForgetHostKeysButton"_qs)->click();
        QTRY_VERIFY(!w.find<QMessageBox>(u"forgetHostKeysAlert"_qs));
        QCOMPARE(readFile(home() + "/.ssh/known_hosts"), text);

        writeFile(home() + "/theirs", text);
        run("ssh-keygen -R '[web.example.org]:2222' -f " + home() +
            "/theirs >/dev/null; echo done");
        card->confirmForget();
        QTRY_VERIFY(alert = w.find<QMessageBox>(u"forgetHostKeysAlert"_qs));
        alert->findChild<QPushButton*>(u"confirmForgetHostKeysButton"_qs)->click();
        QTRY_COMPARE(card->findChildren<QWidget*>(u"knownHostKeyRow"_qs).size(), 1);
        QCOMPARE(readFile(home() + "/.ssh/known_hosts"), readFile(home() + "/theirs"));
        QVERIFY(!forget->isEnabled());

        card = shownCard(w, "db");
        QVERIFY(card->findChildren<QWidget*>(u"knownHostKeyRow"_qs).isEmpty());
        QVERIFY(card->findChild<QLabel*>(u"knownHostKeysNote"_qs)
                    ->text()
                    .startsWith(u"No key is known for this host yet: ssh will ask you to confirm "
                                u"the key on first connect."_qs));
    }
};

MOORKEEP_APP_TEST(KnownHostKeysCardTest);
#include "known_host_keys_card_test.moc"
