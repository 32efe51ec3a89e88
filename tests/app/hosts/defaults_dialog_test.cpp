#include "hosts/defaults_dialog.h"
#include "hosts/key_picker.h"
#include "support/app_test.h"

namespace {

// A defaults dialog over the sample vault's keys that records its callbacks.
struct DefaultsHarness {
    explicit DefaultsHarness(Defaults initial) {
        dialog = std::make_unique<DefaultsDialog>(
            std::move(initial), sampleVault().keys,
            [this](Defaults defaults) { saved.push_back(std::move(defaults)); },
            [this] { ++cancelled; });
        dialog->show();
    }

    template <typename T = QLineEdit> T* find(const char* name) const {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QList<QLineEdit*> all(const char* name) const {
        return dialog->findChildren<QLineEdit*>(QString::fromLatin1(name));
    }
    Defaults save() {
        QTest::keyClick(find("userField"), Qt::Key_Return, Qt::ControlModifier);
        if (saved.empty())
            qFatal("nothing saved");
        return saved.back();
    }

    std::unique_ptr<DefaultsDialog> dialog;
    std::vector<Defaults> saved;
    int cancelled = 0;
};

Defaults withOptions(OptionMap options) {
    Defaults defaults;
    defaults.extraOptions = std::move(options);
    defaults.sourceFile = "/home/me/.ssh/config";
    return defaults;
}

} // namespace

// The dialog of the defaults every host gets (Host *).
class DefaultsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void saysWhichHostsItOverrides() {
        std::vector<SSHHost> hosts = sampleVault().hosts;
        const ShadowedLine user{
            "user", "bob", {"/h/.ssh/config", 5}, "admin", {"/h/.ssh/config", 2}, "Host *"};
        ShadowedLine byOther = user;
        byOther.byBlock = "Host *.corp";
        hosts[0].facts.shadowed = {user};
        hosts[1].facts.shadowed = {user, byOther};
        const auto overrides = config::defaultsOverrides(hosts);
        QCOMPARE(overrides.size(), std::size_t(1));
        DefaultsDialog dialog(
            Defaults{}, {}, [](Defaults) {}, [] {}, nullptr, overrides);
        const QString text = dialog.findChild<QLabel*>(u"overridesLabel"_qs)->text();
        QVERIFY2(text.startsWith(QStringLiteral("User admin here overrides the User of 2 hosts: ") +
                                 QString::fromStdString(hosts[0].alias + ", " + hosts[1].alias)),
                 qPrintable(text));
        // Past the first few, the hosts are counted, not named.
        std::vector<SSHHost> many(8);
        for (std::size_t i = 0; i < many.size(); ++i) {
            many[i].alias = "h" + std::to_string(i);
            many[i].facts.shadowed = {user};
        }
        DefaultsDialog crowded(
            Defaults{}, {}, [](Defaults) {}, [] {}, nullptr, config::defaultsOverrides(many));
        const QString counted = crowded.findChild<QLabel*>(u"overridesLabel"_qs)->text();
        QVERIFY2(
            counted.startsWith(QStringLiteral(
                "User admin here overrides the User of 8 hosts: h0, h1, h2, h3, h4 and 3 more.")),
            qPrintable(counted));
        // Without options only the entry row shows, with nothing to add yet.
        DefaultsHarness plain(Defaults{});
        QVERIFY(!plain.find<QLabel>("overridesLabel"));
        QCOMPARE(plain.all("extraOptionName").size(), 0);
        QVERIFY(plain.find("newOptionName")->isVisible());
        QVERIFY(!plain.find<QPushButton>("addOptionButton")->isEnabled());
    }

    // Options show sorted by code point (capitals first). Names trimmed,
    // blank names dropped, the later of two equal names wins, values typed
    // into rows kept as typed, values entered through the entry row trimmed;
    // the other fields trimmed; sourceFile carried over.
    void optionsSortedAndSavingBuildsTheRecord() {
        DefaultsHarness h(withOptions({{"batchMode", "no"}, {"ConnectTimeout", "30"}}));
        auto names = h.all("extraOptionName");
        QCOMPARE(texts<QLineEdit>(h.dialog.get(), u"extraOptionName"_qs),
                 (QStringList{u"ConnectTimeout"_qs, u"batchMode"_qs}));
        auto values = h.all("extraOptionValue");
        type(values[0], u"45  "_qs); // ConnectTimeout, trailing spaces kept
        type(names[1], u"   "_qs);   // batchMode's name blanked: dropped
        type(h.find("newOptionName"), u" ConnectTimeout "_qs);
        type(h.find("newOptionValue"), u" 60 "_qs);
        h.find<QPushButton>("addOptionButton")->click();
        QCOMPARE(h.find("newOptionName")->text(), QString());
        type(h.find("newOptionName"), u"Compression"_qs);
        type(h.find("newOptionValue"), u"yes  "_qs);
        // Return in the entry row adds rather than saving without it.
        QTest::keyClick(h.find("newOptionValue"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
        type(h.find("userField"), u" \tops\t "_qs);
        type(h.find("proxyJumpField"), u"   "_qs);
        // Return in a field moves on; Ctrl+Return saves from any.
        h.find("userField")->setFocus();
        QTest::keyClick(h.find("userField"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
        QVERIFY(!h.find("userField")->hasFocus());

        Defaults saved = h.save();
        QCOMPARE(saved.user, "ops");
        QCOMPARE(saved.proxyJump, std::nullopt);
        QCOMPARE(saved.extraOptions, (OptionMap{{"ConnectTimeout", "60"}, {"Compression", "yes"}}));
        QCOMPARE(saved.sourceFile, std::optional<std::string>("/home/me/.ssh/config"));

        // Removing a row drops it.
        h.dialog->findChildren<QToolButton*>(u"removeOptionButton"_qs).at(0)->click();
        QTRY_COMPARE(h.all("extraOptionName").size(), 3);
        QCOMPARE(h.save().extraOptions,
                 (OptionMap{{"ConnectTimeout", "60"}, {"Compression", "yes"}}));
        h.dialog->findChildren<QToolButton*>(u"removeOptionButton"_qs).at(1)->click();
        QTRY_COMPARE(h.all("extraOptionName").size(), 2);
        QCOMPARE(h.save().extraOptions, (OptionMap{{"Compression", "yes"}}));
    }

    // "None" saves an empty key; a port must be a number, empty meaning 22.
    void portsAndKeys() {
        Defaults initial;
        initial.keyId = "key-id_work";
        DefaultsHarness h(initial);
        QCOMPARE(h.find<KeyPicker>("keyPicker")->currentText(), u"Work (ed25519)"_qs);
        QTest::keyClick(h.find<KeyPicker>("keyPicker"), Qt::Key_Home);
        const struct {
            QString port;
            std::optional<qint64> saved; // none when refused
        } cases[] = {{u""_qs, 22}, {u"2222"_qs, 2222}, {u"ssh"_qs, {}}, {u" 2222"_qs, {}}};
        for (const auto& c : cases) {
            const auto savedBefore = h.saved.size();
            type(h.find("portField"), c.port);
            const QByteArray row = c.port.toUtf8();
            QVERIFY2(h.find<QPushButton>("saveButton")->isEnabled() == bool(c.saved), row);
            QVERIFY2(h.find<QLabel>("portProblemLine")->isVisibleTo(h.dialog.get()) !=
                         bool(c.saved),
                     row);
            QTest::keyClick(h.find("portField"), Qt::Key_Return, Qt::ControlModifier);
            QVERIFY2(h.saved.size() == savedBefore + (c.saved ? 1 : 0), row);
            if (c.saved) {
                QCOMPARE(h.saved.back().port, *c.saved);
                QCOMPARE(h.saved.back().keyId, "");
            }
        }
        QTest::keyClick(h.find("portField"), Qt::Key_Escape);
        QCOMPARE(h.cancelled, 1);
    }
};

MOORKEEP_APP_TEST(DefaultsDialogTest);

#include "defaults_dialog_test.moc"
