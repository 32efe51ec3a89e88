#include "application/app_identity.h"
#include "application/app_settings.h"
#include "application/moorkeep_app.h"
#include "application/single_instance.h"
#include "application/store_choice.h"
#include "connect/connect_features.h"
#include "connect/host_shortlist.h"
#include "connect/install_key_dialog.h"
#include "connect/terminal_launcher.h"
#include "openssh/ssh_command.h"
#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/symbols.h"
#include "style/type_ramp.h"
#include "support/app_test.h"
#include "tray/tray_menu.h"
#include "updates/update_dialog.h"
#include "updates/updater_controller.h"
#include "updates/version.h"
#include "window/key_menu_items.h"
#include "window/keys_menu.h"

#include <QHostAddress>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace moorkeep;
using namespace moorkeep::test;
using namespace std::chrono_literals;

namespace {

// A small HTTP server on 127.0.0.1 for update checks: answers every request
// with the response set, or holds it unanswered until answerHeld().
class LocalHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body{};
        QByteArray headers{};       // more header lines, each ending in CRLF
        bool announceLength = true; // else the body ends when the connection does
        bool hold = false;          // keep the request waiting
    };

    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { requestRead(socket); });
        });
    }

    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/feed.json").arg(server_.serverPort()));
    }
    void setResponse(Response response) { response_ = std::move(response); }
    int requestCount() const { return requests_; }
    int heldCount() const { return int(held_.size()); }

    void answerHeld() {
        for (const QPointer<QTcpSocket>& socket : std::exchange(held_, {}))
            if (socket)
                answer(socket);
    }

private:
    void requestRead(QTcpSocket* socket) {
        QByteArray& request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        pending_.remove(socket);
        ++requests_;
        if (response_.hold)
            held_.append(socket);
        else
            answer(socket);
    }

    void answer(QTcpSocket* socket) {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response_.status) + ' ' +
                          response_.reason + "\r\nContent-Type: application/json\r\n" +
                          "Connection: close\r\n" + response_.headers;
        if (response_.announceLength)
            head += "Content-Length: " + QByteArray::number(response_.body.size()) + "\r\n";
        socket->write(head + "\r\n" + response_.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    Response response_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<QPointer<QTcpSocket>> held_;
    int requests_ = 0;
};

using Response = LocalHttpServer::Response;

// A host spelled out, whose destination a shell would split and run.
SSHHost spelledOutHost() {
    SSHHost host = configHost("db-me", "key-id_work");
    host.id = "USER-db";
    host.hostname = "db 1;$(touch ran)";
    host.user = "me";
    host.port = 2222;
    host.source = HostSource::user;
    return host;
}

const QStringList connectArguments{u"ssh"_qs, u"me@db 1;$(touch ran)"_qs, u"-p"_qs, u"2222"_qs};

// The whole application on a fake store (the sample vault with a key of
// unknown protection, and the host above, selected), its update feed served locally, and PATH
// holding only stand-in terminals that write their arguments, one per line, beside themselves (or,
// without a terminal, none).
struct AppUnderTest {
    explicit AppUnderTest(bool withTerminal = true) {
        VaultData data = sampleVault();
        data.hosts.push_back(spelledOutHost());
        data.keys.push_back(sampleKey("id_odd", "Odd"));
        data.keys.back().hasPassphrase = std::nullopt;
        store->setData(data);
        qputenv("MOORKEEP_UPDATE_FEED", server.url().toEncoded());
        // Favourites and recents of an earlier test are gone.
        AppSettings::open()->clear();
        QDir().mkpath(bin() + u"/empty"_qs);
        QDir().mkpath(bin() + u"/my bin"_qs);
        standIn(bin() + u"/xdg-terminal-exec"_qs);
        standIn(bin() + u"/my bin/my term"_qs);
        qputenv("PATH", (withTerminal ? bin() : bin() + u"/empty"_qs).toLocal8Bit());
        qunsetenv("TERMINAL");
        app = std::make_unique<MoorkeepApp>([this] { return store; });
        window()->show();
        QApplication::setActiveWindow(window());
        if (!QTest::qWaitForWindowActive(window()) ||
            !QTest::qWaitFor([&] { return !app->model().isLoading(); }, 5000))
            qFatal("the window did not come up");
        window()->hostsState().setSelectedId("USER-db");
        if (!QTest::qWaitFor([&] { return find<QPushButton>(u"connectHostButton"_qs); }, 5000))
            qFatal("the host is not shown");
    }
    ~AppUnderTest() {
        store->releaseAll();
        app.reset();
        qputenv("PATH", path);
        qunsetenv("MOORKEEP_UPDATE_FEED");
    }

    static void standIn(const QString& file) {
        QFile script(file);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.argv\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString bin() const { return QString::fromStdString(dir.path()); }
    QStringList ran(const QString& terminal) const {
        QFile file(bin() + u'/' + terminal + u".argv"_qs);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        lines.removeLast();
        return lines;
    }
    ContentView* window() const { return app->mainWindow(); }
    template <typename T> T* find(const QString& name) const {
        return window()->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }
    QMenu* menu(const QString& name) const { return find<QMenu>(name); }
    QMenu* trayMenu() const {
        return app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->contextMenu();
    }
    static QAction* entry(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    QByteArray path = qgetenv("PATH");
    TempDir dir;
    LocalHttpServer server;
    std::shared_ptr<FakeVaultStore> store = std::make_shared<FakeVaultStore>(sampleVault());
    std::unique_ptr<MoorkeepApp> app;
};

// The main window's Keys menu and the tray menu over one model.
struct MenusHarness : AppHarness {
    explicit MenusHarness(std::vector<SSHKey> keys) {
        VaultData data = sampleVault();
        data.keys = std::move(keys);
        store->setData(data);
        QFuture<void> loaded = model->load();
        if (!QTest::qWaitFor([&] { return loaded.isFinished(); }))
            qFatal("the model did not load");
    }

    // The key entries of a menu: what lies between the tray menu's first two
    // separators, or the whole Keys menu.
    static QList<QAction*> keyItems(QMenu& menu) {
        QList<QAction*> items = menu.actions();
        if (menu.objectName() != u"trayMenu")
            return items;
        QList<QAction*> between;
        int separators = 0;
        for (QAction* item : items) {
            if (item->isSeparator())
                ++separators;
            else if (separators == 1)
                between.append(item);
        }
        return between;
    }

    QList<QList<QAction*>> bothMenus() { return {keyItems(keysMenu), keyItems(trayMenu)}; }

    QAction check{u"Check for Updates…"_qs};
    QAction quit{u"Quit Moorkeep"_qs};
    int windowsOpened = 0;
    KeysMenu keysMenu{*model};
    TrayMenu trayMenu{*model, {[this] { ++windowsOpened; }, &check, &quit}};
};

SSHKey withoutPublicKey(SSHKey key) {
    key.publicKey.clear();
    return key;
}

QStringList texts(const QList<QAction*>& items) {
    QStringList result;
    for (QAction* item : items)
        result.append(item->text());
    return result;
}

int inkedPixels(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

QPalette themed(bool dark, const QColor& accent) {
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xef, 0xef, 0xef));
    palette.setColor(QPalette::WindowText, dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(Qt::black));
    palette.setColor(QPalette::Base, dark ? QColor(0x2a, 0x2a, 0x2a) : QColor(Qt::white));
    palette.setColor(QPalette::Highlight, accent);
    return palette;
}

// As the user's locale writes it.
QString tooLarge() {
    return u"The update feed is larger than %1."_qs.arg(
        QLocale().formattedDataSize(1024 * 1024, 0));
}

QByteArray feedJson(const char* version, const char* notes = "Faster key scans.") {
    return QByteArray("{\"latestVersion\": \"") + version +
           "\", \"downloadPage\": \"https://example.org/moorkeep/download\", \"releaseNotes\": \"" +
           notes + "\", \"futureField\": 1}";
}

// A controller on the given feed for a program at version 0.1.0, with a short
// timeout and a recorder instead of the browser.
struct ControllerHarness {
    explicit ControllerHarness(QUrl feed, std::chrono::milliseconds timeout = 15s) {
        UpdateSettings settings;
        settings.feedUrl = std::move(feed);
        settings.runningVersion = u"0.1.0"_qs;
        settings.timeout = timeout;
        controller = std::make_unique<UpdaterController>(settings, [this](const QUrl& page) {
            opened.append(page);
            return true;
        });
    }

    // Starts a check, sees the flag drop, waits for it to come back.
    void check() {
        controller->checkForUpdates();
        QVERIFY(!controller->canCheckForUpdates());
        QVERIFY(!controller->checkAction()->isEnabled());
        QTRY_VERIFY(controller->canCheckForUpdates());
        QVERIFY(controller->checkAction()->isEnabled());
    }

    template <typename T = QWidget> T* find(const char* name) const {
        return controller->dialog()->findChild<T*>(QString::fromLatin1(name));
    }
    QString title() const { return find<QLabel>("titleLabel")->text(); }
    QString message() const { return find<QLabel>("messageLabel")->text(); }

    std::unique_ptr<UpdaterController> controller;
    QList<QUrl> opened;
};

} // namespace

Q_DECLARE_METATYPE(moorkeep::AppTab)
Q_DECLARE_METATYPE(QPalette)
Q_DECLARE_METATYPE(Response)

// The whole application: its tray and menus, connecting, one running copy;
// how it shows itself (name, icon, start-up choices, symbols, colours and
// type) and how it looks for updates. Every launch here shares the test's
// temporary runtime folder.
class MoorkeepAppTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("MOORKEEP_DEMO"); }

    // --help and --version are answered; Qt's own single-dash options (whose
    // letters include h and v) and anything else start the program.
    void answersOnlyHelpAndVersion_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("answerStart"); // empty for none
        const QString version = QStringLiteral("moorkeep " MOORKEEP_VERSION "\n");
        QTest::newRow("--version") << u"--version"_qs << version;
        QTest::newRow("-v") << u"-v"_qs << version;
        QTest::newRow("--help") << u"--help"_qs << u"Usage: moorkeep"_qs;
        QTest::newRow("-h after a Qt option")
            << u"-platform offscreen -h"_qs << u"Usage: moorkeep"_qs;
        QTest::newRow("nothing") << QString() << QString();
        QTest::newRow("-platform xcb") << u"-platform xcb"_qs << QString();
        QTest::newRow("-reverse") << u"-reverse"_qs << QString();
    }

    void answersOnlyHelpAndVersion() {
        QFETCH(QString, arguments);
        QFETCH(QString, answerStart);
        auto answer = AppIdentity::commandLineAnswer(
            (u"moorkeep "_qs + arguments).split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(answer.has_value(), !answerStart.isEmpty());
        QVERIFY2(answer.value_or(QString()).startsWith(answerStart),
                 qPrintable(answer.value_or(u"(none)"_qs)));
    }

    // The name docks match the window to is the installed desktop entry's.
    // Without a theme icon of that name the built-in renderings are used,
    // from the smallest size to the largest.
    void desktopEntryNameAndBuiltInIcon() {
        AppIdentity::apply();
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QFileInfo(QStringLiteral(MOORKEEP_DESKTOP_ENTRY)).completeBaseName());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Moorkeep"));
        QIcon::setThemeSearchPaths({});
        QIcon icon = AppIdentity::icon();
        auto sizes = icon.availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(512, 512)));
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
    }

    // MOORKEEP_DEMO picks the demo store only when it is exactly "1".
    void onlyExactlyOneSelectsTheDemo_data() {
        QTest::addColumn<QByteArray>("value"); // null for unset
        QTest::addColumn<bool>("demo");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("yes") << QByteArray("yes") << false;
        QTest::newRow("01") << QByteArray("01") << false;
        QTest::newRow("1 followed by a space") << QByteArray("1 ") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("unset") << QByteArray() << false;
    }

    void onlyExactlyOneSelectsTheDemo() {
        QFETCH(QByteArray, value);
        QFETCH(bool, demo);
        if (!value.isNull())
            qputenv("MOORKEEP_DEMO", value);

        auto store = StoreChoice::storeFromEnvironment();
        QCOMPARE(dynamic_cast<DemoVaultStore*>(store.get()) != nullptr, demo);
        QCOMPARE(dynamic_cast<SystemVaultStore*>(store.get()) != nullptr, !demo);
    }

    void everyScreenSymbolIsDrawnAtEverySize() {
        // The names the screens ask for; a missing one would show an empty button.
        const QStringList used =
            QString::fromLatin1("arrow.clockwise arrow.left.arrow.right calendar checkmark "
                                "doc.on.doc doc.text folder globe key.fill lock.fill lock.open "
                                "magnifyingglass number pencil person plus server.rack shield "
                                "sidebar.leading slider.horizontal.3 terminal touchid trash")
                .split(u' ');
        for (const QString& name : used) {
            QVERIFY2(Symbols::has(name), qPrintable(name));
            for (int pixels : {10, 16, 32}) {
                const QPixmap pixmap = Symbols::pixmap(name, Qt::black, pixels);
                QCOMPARE(pixmap.size(), QSize(pixels, pixels));
                QVERIFY2(inkedPixels(pixmap) > pixels / 2, qPrintable(name));
            }
            QVERIFY(!Symbols::icon(name).pixmap(24, 24).isNull());
        }
        QCOMPARE(inkedPixels(Symbols::pixmap(QStringLiteral("no.such.symbol"), Qt::black, 16)), 0);
        QVERIFY(Symbols::icon(QStringLiteral("no.such.symbol")).isNull());
    }

    // Symbols reach 3:1 and text 4.5:1 against what they are painted on,
    // also where the theme's own accent is too dim or too pale for it.
    void foregroundsStandOutFromTheirTiles_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << themed(false, QColor(0x30, 0x8c, 0xc6));
        QTest::newRow("light, pale accent") << themed(false, QColor(0x9e, 0xcb, 0xff));
        QTest::newRow("dark") << themed(true, QColor(0x3d, 0x8b, 0xfd));
        QTest::newRow("dark, deep accent") << themed(true, QColor(0x15, 0x53, 0x9e));
    }

    void foregroundsStandOutFromTheirTiles() {
        QFETCH(QPalette, palette);
        const QPalette original = QApplication::palette();
        QApplication::setPalette(palette);
        QCOMPARE(Colors::accent(), palette.color(QPalette::Highlight));
        for (const QColor& ground : {Colors::windowBackground(), Colors::controlBackground()}) {
            const auto tint = [&](const QColor& colour, qreal opacity = Colors::tintOpacity) {
                return Colors::over(Colors::withOpacity(colour, opacity), ground);
            };
            const QColor tile = tint(Colors::accent(), IconTile::headerLook.fillOpacity);
            const std::tuple<const char*, QColor, QColor, qreal> pairs[]{
                {"type and usage badges", Colors::accentOnTint(), tint(Colors::accent()),
                 Colors::textContrast},
                {"neutral badges", Colors::secondary(), tint(Colors::secondary()),
                 Colors::textContrast},
                {"warning badges", Colors::onOwnTint(Colors::warning()), tint(Colors::warning()),
                 Colors::textContrast},
                {"captions", Colors::secondary(), ground, Colors::textContrast},
                {"tile symbols", Colors::readableOn(Colors::accent(), tile, Colors::symbolContrast),
                 tile, Colors::symbolContrast},
                {"text", Colors::primary(), ground, Colors::textContrast}};
            for (const auto& [role, foreground, background, least] : pairs)
                QVERIFY2(Colors::contrast(foreground, background) >= least, role);
        }
        QApplication::setPalette(original);
        QCOMPARE(Colors::contrast(Qt::black, Qt::white), 21.0);
        QCOMPARE(Colors::contrast(Qt::gray, Qt::gray), 1.0);
        QCOMPARE(Colors::withOpacity(Qt::black, 0.15).alpha(), 38);
    }

    void typeRampStepsFromTheBodySize() {
        using TypeRamp::Style;
        const int body = TypeRamp::pixelSize(Style::body);
        QVERIFY(TypeRamp::pixelSize(Style::caption2) <= TypeRamp::pixelSize(Style::caption));
        QVERIFY(TypeRamp::pixelSize(Style::caption) < body);
        QVERIFY(TypeRamp::pixelSize(Style::title2) > TypeRamp::pixelSize(Style::title3));
        QVERIFY(TypeRamp::pixelSize(Style::title3) > body);
        QCOMPARE(TypeRamp::font(Style::headline).weight(), QFont::Bold);
        // Every glyph as wide as the next, whatever the desktop calls
        // monospace (ctest runs this once more with a fontconfig that maps it
        // to a proportional face).
        const QFontMetrics mono(TypeRamp::monospaced(Style::body));
        QCOMPARE(mono.horizontalAdvance(u"iiii"_qs), mono.horizontalAdvance(u"MMMM"_qs));
        QCOMPARE(TypeRamp::sized(13).pixelSize(), 13);
    }

    // Versions compare part by part as numbers; only dotted numbers are
    // versions.
    void versionsAreDottedNumbersComparedPartByPart() {
        const struct {
            const char* left;
            const char* right;
            int order;
        } cases[] = {
            {"0.1.0", "0.1.0", 0},
            {"1.2", "1.2.0", 0},                                     // a missing part is zero
            {"2", "2.0.0.0", 0},                                     // several missing parts
            {"1.10", "1.9", 1},                                      // numbers, not text
            {"1.02", "1.2", 0},                                      // leading zeros
            {"0.1.0", "0.1.1", -1},                                  // patch
            {"2.0", "1.99.99", 1},                                   // major beats minor
            {"1.2.0.1", "1.2", 1},                                   // an extra non-zero part
            {"1.18446744073709551617", "1.18446744073709551616", 1}, // beyond 64 bits
            {"1.100000000000000000000", "1.99", 1},                  // a longer number
        };
        const auto sign = [](std::strong_ordering o) { return o < 0 ? -1 : o > 0 ? 1 : 0; };
        for (const auto& [left, right, order] : cases) {
            const QString l = QString::fromLatin1(left), r = QString::fromLatin1(right);
            QVERIFY2(sign(Version::compare(l, r)) == order &&
                         sign(Version::compare(r, l)) == -order,
                     left);
        }
        for (const QString& valid : {u"0"_qs, u"0.1.0"_qs, u"10.20.30.40"_qs})
            QVERIFY2(Version::isValid(valid), qPrintable(valid));
        for (const QString& invalid : {u""_qs, u"v1.2"_qs, u"1..2"_qs, u"1.2."_qs, u".1"_qs,
                                       u"1.2-beta"_qs, u"1.2 "_qs, u"1,2"_qs, u"١.٢"_qs})
            QVERIFY2(!Version::isValid(invalid), qPrintable(invalid));
    }

    // What the server answers, and what the dialog then says: its title
    // (null for "couldn't check") and part of its message.
    void httpFeedOutcomes_data() {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        const QByteArray huge = feedJson("0.2.0", QByteArray(1024 * 1024, 'x').constData());
        QTest::newRow("same version")
            << Response{.body = feedJson("0.1.0")} << u"You're up to date."_qs
            << u"Moorkeep 0.1.0 is the newest version."_qs;
        QTest::newRow("newer version")
            << Response{.body = feedJson("0.10")} << u"Moorkeep 0.10 is available."_qs
            << u"You have version 0.1.0."_qs;
        QTest::newRow("404") << Response{.status = 404, .reason = "Not Found", .body = "gone"}
                             << QString() << u"HTTP 404 Not Found"_qs;
        QTest::newRow("malformed JSON") << Response{.body = "{\"latestVersion\": \"0.2.0\","}
                                        << QString() << u"not a valid JSON object"_qs;
        QTest::newRow("no version") << Response{.body = "{\"downloadPage\": \"https://a.org\"}"}
                                    << QString() << u"no valid latest version"_qs;
        QTest::newRow("download page to run a program")
            << Response{.body =
                            "{\"latestVersion\": \"0.2\", \"downloadPage\": \"file:///bin/sh\"}"}
            << QString() << u"no valid download page"_qs;
        QTest::newRow("redirect to plain http")
            << Response{.status = 302, .reason = "Found", .headers = "Location: http://a.org/f\r\n"}
            << QString() << u"redirects to “http://a.org/f”, which is not an https address"_qs;
        QTest::newRow("oversized, announced") << Response{.body = huge} << QString() << tooLarge();
        QTest::newRow("oversized, unannounced")
            << Response{.body = huge, .announceLength = false} << QString() << tooLarge();
        QTest::newRow("never answered")
            << Response{.body = feedJson("0.2.0"), .hold = true} << QString()
            << u"did not answer within %1 seconds"_qs.arg(QLocale().toString(3));
    }

    void httpFeedOutcomes() {
        QFETCH(Response, response);
        QFETCH(QString, title);
        QFETCH(QString, message);
        LocalHttpServer server;
        server.setResponse(response);
        ControllerHarness h(server.url(), 3s);

        h.check();
        QCOMPARE(server.requestCount(), 1);
        QVERIFY(h.controller->dialog()->isVisible());
        QCOMPARE(h.title(), title.isNull() ? u"Moorkeep couldn't check for updates."_qs : title);
        QVERIFY2(h.message().contains(message), qPrintable(h.message()));
    }

    // A feed that redirects to itself fails every check in turn, after a few
    // requests each.
    void selfRedirectingFeedFailsEveryCheck() {
        LocalHttpServer server;
        server.setResponse(
            {.status = 302, .reason = "Found", .headers = "Location: /feed.json\r\n"});
        ControllerHarness h(server.url(), 10s);
        for (int check = 1; check <= 30; ++check) {
            h.check();
            QCOMPARE(h.title(), u"Moorkeep couldn't check for updates."_qs);
            QCOMPARE(h.message(), u"The update feed redirects more than 5 times."_qs);
            QCOMPARE(server.requestCount(), check * 6);
        }
    }

    // Long notes are shown in part, wrapped anywhere; Return (the keyboard
    // user's press of the default button) opens the download page.
    void newerVersionShowsItsNotesAndOpensItsDownloadPage() {
        LocalHttpServer server;
        const QByteArray notes = "Keys menu in the tray. " + QByteArray(900 * 1024, 'x');
        server.setResponse({.body = feedJson("1.10", notes.constData())});
        ControllerHarness h(server.url());
        h.check();

        auto* view = h.find<QPlainTextEdit>("releaseNotesView");
        QVERIFY(view->isVisible() && view->isReadOnly());
        QVERIFY(view->toPlainText().startsWith(u"Keys menu in the tray. xxxxxxxx"_qs));
        QVERIFY(view->toPlainText().size() < UpdateDialog::notesShownLimit + 200);
        QCOMPARE(view->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        auto* download = h.find<QPushButton>("downloadButton");
        QVERIFY(download->isVisible() && download->isDefault());
        QVERIFY(!h.find("cancelButton")->isVisible());
        QTest::keyClick(h.controller->dialog(), Qt::Key_Return);
        QCOMPARE(h.opened, QList<QUrl>{QUrl(u"https://example.org/moorkeep/download"_qs)});
        QVERIFY(!h.controller->dialog()->isVisible());
    }

    // While a check runs the window stays live; the dialog says it checks.
    void dialogShowsTheCheckAndCancelEndsIt() {
        LocalHttpServer server;
        server.setResponse({.body = feedJson("0.2.0"), .hold = true});
        ControllerHarness h(server.url());

        h.controller->checkForUpdates();
        QTRY_COMPARE(server.heldCount(), 1);
        QCOMPARE(h.title(), u"Checking for updates…"_qs);
        QVERIFY(h.find("progressBar")->isVisible());
        QVERIFY(h.find<QPushButton>("cancelButton")->isDefault());
        h.controller->checkForUpdates(); // a second request while one runs is ignored
        QVERIFY(!h.controller->canCheckForUpdates());

        QTest::keyClick(h.controller->dialog(), Qt::Key_Escape);
        QVERIFY(!h.controller->dialog()->isVisible());
        QVERIFY(h.controller->canCheckForUpdates());

        // The late answer changes nothing; the next check starts afresh.
        server.answerHeld();
        server.setResponse({.body = feedJson("0.1.0")});
        h.check();
        QCOMPARE(server.requestCount(), 2);
        QCOMPARE(h.title(), u"You're up to date."_qs);
    }

    // A file feed is read as a server's answer would be; what is not a
    // regular file, or neither https nor file, fails at once.
    void feedsThatAreNoWebAddress_data() {
        QTest::addColumn<QString>("feed");    // a name in the test's folder or an address
        QTest::addColumn<QByteArray>("body"); // the file's, when not null
        QTest::addColumn<QString>("message"); // part of it
        QTest::newRow("newer version")
            << "feed.json" << feedJson("0.1.1") << "You have version 0.1.0.";
        QTest::newRow("oversized") << "feed.json" << QByteArray(2 * 1024 * 1024, ' ') << tooLarge();
        QTest::newRow("missing") << "none.json" << QByteArray()
                                 << "Could not reach the update feed: ";
        QTest::newRow("FIFO no one writes") << "fifo" << QByteArray() << "is not a regular file";
        QTest::newRow("plain http") << "http://example.org/feed.json" << QByteArray()
                                    << "“http://example.org/feed.json” is not an https or file "
                                       "address.";
    }

    void feedsThatAreNoWebAddress() {
        QFETCH(QString, feed);
        QFETCH(QByteArray, body);
        QTemporaryDir dir;
        QUrl url(feed);
        if (url.scheme().isEmpty()) {
            const QString path = dir.filePath(feed);
            if (feed == u"fifo")
                QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            QFile file(path);
            if (!body.isNull())
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(body) == body.size());
            url = QUrl::fromLocalFile(path);
        }
        ControllerHarness h(url, 60s);
        QElapsedTimer timer;
        timer.start();
        h.check();
        QVERIFY(timer.elapsed() < 10000);
        QFETCH(QString, message);
        QVERIFY2(h.message().contains(message), qPrintable(h.message()));
    }

    // Also: every control of the dialog has its names.
    void buildWithoutFeedPointsToThePackageManager() {
        ControllerHarness h{QUrl()};
        h.check();
        QCOMPARE(h.title(), u"Updates come from your package manager."_qs);
        QVERIFY(!h.find("downloadButton")->isVisible());
        QVERIFY(h.find<QPushButton>("closeButton")->isDefault());
        for (QWidget* widget : h.controller->dialog()->findChildren<QWidget*>()) {
            if (widget->inherits("QLabel") || widget->inherits("QAbstractButton") ||
                widget->inherits("QProgressBar") || widget->inherits("QPlainTextEdit")) {
                QVERIFY2(!widget->objectName().isEmpty(), widget->metaObject()->className());
                QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
            }
        }
    }

    void environmentOverridesTheBuiltInFeed() {
        qputenv("MOORKEEP_UPDATE_FEED", " https://updates.example.org/feed.json ");
        QCOMPARE(UpdateSettings::fromBuild().feedUrl,
                 QUrl(u"https://updates.example.org/feed.json"_qs));
        qputenv("MOORKEEP_UPDATE_FEED", "");
        QVERIFY(UpdateSettings::fromBuild().feedUrl.isEmpty());
        qunsetenv("MOORKEEP_UPDATE_FEED");
        QCOMPARE(UpdateSettings::fromBuild().feedUrl,
                 QUrl(QString::fromUtf8(UpdateSettings::buildFeedUrl)));
        QCOMPARE(UpdateSettings::fromBuild().runningVersion, QStringLiteral(MOORKEEP_VERSION));
    }

    // The tray's entries; and, as this desktop has no tray, closing the
    // window ends the program unless Show Window brings it back with its
    // menus, whose update entry is off with the tray's while a check runs.
    void trayEntriesAClosedWindowBroughtBackAndItsUpdateEntry() {
        AppUnderTest t;
        QVERIFY(!t.app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->icon().isNull());
        QCOMPARE(t.entry(t.trayMenu(), u"Quit Moorkeep"_qs)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
        QVERIFY(t.entry(t.menu(u"helpMenu"_qs), u"About Moorkeep"_qs));
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        t.window()->close();
        QTRY_VERIFY(!t.window());

        t.entry(t.trayMenu(), u"Show Window"_qs)->trigger();
        QVERIFY(t.window());
        QVERIFY(t.window()->isVisible());
        QTRY_VERIFY(!t.app->model().isLoading());
        QCOMPARE(t.menu(u"keysMenu"_qs)->actions().size(), 3);
        QCOMPARE(t.menu(u"keyMenu"_qs)->actions().last()->menu(), t.menu(u"keysMenu"_qs));

        t.server.setResponse({.body = "{\"latestVersion\": \"0.0.1\","
                                      " \"downloadPage\": \"https://example.org/\"}",
                              .hold = true});
        QAction* inTray = t.entry(t.trayMenu(), u"Check for Updates…"_qs);
        QAction* inHelp = t.entry(t.menu(u"helpMenu"_qs), u"Check for Updates…"_qs);
        QVERIFY(inTray->isEnabled() && inHelp->isEnabled());

        inTray->trigger();
        QTRY_COMPARE(t.server.heldCount(), 1);
        QVERIFY(!t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
        QVERIFY(!inHelp->isEnabled());

        t.server.answerHeld();
        QTRY_VERIFY(inHelp->isEnabled());
        QVERIFY(t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());

        inHelp->trigger();
        QTRY_COMPARE(t.server.requestCount(), 2);
        QVERIFY(!t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
        t.server.answerHeld();
        QTRY_VERIFY(t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
    }

    // The entries of the Host and Key menus that work, with their keys: only
    // the shown tab's, those about a selection only with one, and a
    // passphrase only where its state is known.
    void menuEntriesApplyToTheShownTabAndSelection_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("selected"); // empty for none
        QTest::addColumn<QStringList>("enabled");
        const QStringList hostEntries{u"addHostAction Ctrl+N"_qs, u"findHostAction Ctrl+F"_qs,
                                      u"defaultsAction Ctrl+Shift+D"_qs,
                                      u"groupByFileAction Ctrl+Shift+G"_qs, u"installKeyAction"_qs};
        const QStringList keyEntries{u"generateKeyAction Ctrl+N"_qs, u"keysSearchAction Ctrl+F"_qs,
                                     u"rescanKeysAction F5"_qs, u"installKeyAction"_qs};
        const QStringList keyChoice{u"renameKeyAction F2"_qs, u"deleteKeyAction Del"_qs,
                                    u"copyPublicKeyAction Ctrl+Shift+C"_qs,
                                    u"copyFingerprintAction Ctrl+Shift+F"_qs};
        QTest::newRow("host selected")
            << AppTab::hosts << u"cfg-web"_qs
            << hostEntries +
                   QStringList{
                       u"editHostAction Ctrl+E"_qs,         u"duplicateHostAction Ctrl+D"_qs,
                       u"deleteHostAction Del"_qs,          u"copyCommandAction Ctrl+Shift+C"_qs,
                       u"connectHostAction Ctrl+Return"_qs, u"favouriteHostAction"_qs};
        QTest::newRow("no host selected") << AppTab::hosts << QString() << hostEntries;
        QTest::newRow("key selected")
            << AppTab::keys << u"key-id_ed25519"_qs
            << keyEntries + keyChoice + QStringList{u"passphraseAction Ctrl+Shift+P"_qs};
        QTest::newRow("key of unknown protection")
            << AppTab::keys << u"key-id_odd"_qs << keyEntries + keyChoice;
        QTest::newRow("no key selected") << AppTab::keys << QString() << keyEntries;
    }

    void menuEntriesApplyToTheShownTabAndSelection() {
        QFETCH(AppTab, tab);
        QFETCH(QString, selected);
        QFETCH(QStringList, enabled);
        AppUnderTest t;
        t.app->model().setTab(tab);
        const std::optional<std::string> id =
            selected.isEmpty() ? std::nullopt : std::optional(selected.toStdString());
        if (tab == AppTab::hosts)
            t.window()->hostsState().setSelectedId(id);
        else
            t.window()->keysState().setSelectedId(id);

        QStringList live;
        for (const QString& menu : {u"hostMenu"_qs, u"keyMenu"_qs})
            for (QAction* action : t.menu(menu)->actions())
                if (!action->isSeparator() && !action->menu() && action->isEnabled())
                    live << (action->objectName() + u' ' + action->shortcut().toString()).trimmed();
        std::sort(live.begin(), live.end());
        std::sort(enabled.begin(), enabled.end());
        QCOMPARE(live, enabled);
    }

    void everyConnectStartsTheTerminalWithTheArgumentList_data() {
        QTest::addColumn<QString>("from");
        for (const char* from : {"button", "double-click", "Ctrl+Return", "tray favourite"})
            QTest::newRow(from) << QString::fromLatin1(from);
    }

    void everyConnectStartsTheTerminalWithTheArgumentList() {
        QFETCH(QString, from);
        AppUnderTest h;
        if (from == u"button"_qs) {
            h.find<QPushButton>(u"connectHostButton"_qs)->click();
        } else if (from == u"double-click"_qs) {
            auto* list = h.find<QListView>(u"hostList"_qs);
            const QModelIndexList shown = list->model()->match(
                list->model()->index(0, 0), Qt::DisplayRole, u"db-me"_qs, 1, Qt::MatchExactly);
            QCOMPARE(shown.size(), 1);
            // A double click: press and release, then the second press.
            const QPoint centre = list->visualRect(shown.front()).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        } else if (from == u"Ctrl+Return"_qs) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        } else {
            h.action(u"favouriteHostAction"_qs)->trigger();
            QCOMPARE(h.action(u"favouriteHostAction"_qs)->text(), u"Remove from &Favourites"_qs);
            QMenu* connectMenu = h.app->connectFeatures().trayMenu();
            QCOMPARE(connectMenu->actions().size(), 1);
            connectMenu->actions().front()->trigger();
        }
        QTRY_COMPARE(h.ran(u"xdg-terminal-exec"_qs), connectArguments);
        QCOMPARE(h.app->connectFeatures().shortlist().recents(), QStringList{u"db-me"_qs});
        QVERIFY(!QFile::exists(u"ran"_qs));
    }

    // The key is the host's own, the command ssh-copy-id's, in the terminal;
    // without a terminal the same command is offered to copy, and so is
    // connecting's, which is then not counted as a recent connection.
    void installingAKeyRunsSshCopyIdOrOffersItsCommand() {
        for (const bool withTerminal : {true, false}) {
            AppUnderTest h(withTerminal);
            h.find<QToolButton>(u"installKeyOnHostButton"_qs)->click();
            auto* dialog = h.find<QDialog>(u"installKeyDialog"_qs);
            QVERIFY(dialog);
            QCOMPARE(dialog->findChild<QComboBox*>(u"installHostComboBox"_qs)->currentText(),
                     u"db-me"_qs);
            const QString pub = QDir::homePath() + u"/.ssh/id_work.pub"_qs;
            const QStringList expected{u"ssh-copy-id"_qs, u"-i"_qs,   pub,
                                       u"-p"_qs,          u"2222"_qs, u"me@db 1;$(touch ran)"_qs};
            const QString line = dialog->findChild<QLabel*>(u"installCommandLabel"_qs)->text();
            QCOMPARE(line, QString::fromStdString(SSHCommand::joined(
                               {expected.begin()->toStdString(), "-i", pub.toStdString(), "-p",
                                "2222", "me@db 1;$(touch ran)"})));
            dialog->findChild<QPushButton*>(u"installButton"_qs)->click();
            if (withTerminal) {
                QTRY_COMPARE(h.ran(u"xdg-terminal-exec"_qs), expected);
                continue;
            }
            QPointer<QMessageBox> alert;
            QTRY_VERIFY((alert = h.find<QMessageBox>(u"noTerminalAlert"_qs)));
            alert->findChild<QPushButton*>(u"copyTerminalCommandButton"_qs)->click();
            QCOMPARE(QApplication::clipboard()->text(), line);
            QTRY_VERIFY(!alert);

            h.action(u"connectHostAction"_qs)->trigger();
            QTRY_VERIFY((alert = h.find<QMessageBox>(u"noTerminalAlert"_qs)));
            QVERIFY(alert->informativeText().contains(u"ssh 'me@db 1;$(touch ran)' -p 2222"_qs));
            alert->findChild<QPushButton*>(u"copyTerminalCommandButton"_qs)->click();
            QCOMPARE(QApplication::clipboard()->text(),
                     QString::fromStdString(SSHCommand::build(spelledOutHost())));
            QVERIFY(h.app->connectFeatures().shortlist().recents().isEmpty());
        }
    }

    // What ssh-copy-id would misread: the dialog shows why in place of the
    // command and cannot install it, and the launcher warns and starts no
    // terminal.
    void installingAKeyRefusesWhatSshCopyIdWouldMisread() {
        AppUnderTest h;
        SSHHost host = spelledOutHost();
        bool installed = false;
        InstallKeyDialog dialog({host}, {sampleKey("k$(touch ran)", "Odd")}, {}, {},
                                [&](const SSHKey&, const SSHHost&) { installed = true; });
        QVERIFY(dialog.findChild<QLabel*>(u"installCommandLabel"_qs)
                    ->text()
                    .contains(u"it would read the \"$\" as shell code"_qs));
        dialog.findChild<QPushButton*>(u"installButton"_qs)->click();
        QVERIFY(!installed);

        host.user = "-oProxyCommand=touch ran";
        h.app->connectFeatures().launcher().installKey(sampleKey("id_work", "Work"), host,
                                                       h.window());
        QPointer<QMessageBox> alert;
        QTRY_VERIFY((alert = h.find<QMessageBox>(u"installKeyRefusedAlert"_qs)));
        QVERIFY(alert->informativeText().contains(u"because the user begins with \"-\""_qs));
        QVERIFY(h.ran(u"xdg-terminal-exec"_qs).isEmpty());
    }

    // The dialog shows what Connect will run as the command line is typed,
    // refuses an open quote, and what it saves is what Connect then uses.
    // A program that crashed leaves its socket behind, where nobody answers;
    // the next launch claims it anyway, and a launch after that shows its
    // window and ends.
    void preferredTerminalThenASecondLaunchShowsTheWindow() {
        AppUnderTest h;
        h.app->connectFeatures().preferencesAction()->trigger();
        QDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = h.find<QDialog>(u"preferencesDialog"_qs)));
        auto* field = dialog->findChild<QLineEdit*>(u"preferredTerminalField"_qs);
        auto* preview = dialog->findChild<QLabel*>(u"terminalPreviewLabel"_qs);
        auto* save = dialog->findChild<QPushButton*>(u"saveButton"_qs);
        QCOMPARE(preview->text(), u"Connect runs: xdg-terminal-exec ssh HOST"_qs);

        QTest::keyClicks(field, u"'"_qs + h.bin() + u"/my bin/my term"_qs);
        QVERIFY(!save->isEnabled());
        QTest::keyClicks(field, u"' --hold"_qs);
        QVERIFY(save->isEnabled());
        QCOMPARE(preview->text(),
                 u"Connect runs: '"_qs + h.bin() + u"/my bin/my term' --hold ssh HOST"_qs);
        save->click();
        const std::string saved = "'" + h.dir.path() + "/my bin/my term' --hold";
        QTRY_COMPARE(h.store->preferredTerminal(), std::optional(saved));

        h.action(u"connectHostAction"_qs)->trigger();
        QTRY_COMPARE(h.ran(u"my bin/my term"_qs), QStringList{u"--hold"_qs} + connectArguments);
        QVERIFY(!QFile::exists(h.bin() + u"/xdg-terminal-exec.argv"_qs));

        QFile leftOver(SingleInstance::defaultName());
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        leftOver.close();
        SingleInstance instance;
        QVERIFY(instance.claim());
        connect(&instance, &SingleInstance::activationRequested, h.app.get(),
                &MoorkeepApp::showMainWindow);
        h.window()->hide();

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"MOORKEEP_DEMO"_qs, u"1"_qs);
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(MOORKEEP_PATH), {});
        // The running program answers from this event loop.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(h.window()->isVisible());
    }

    // The socket lives only in a folder no one else may enter: the runtime
    // folder when it is one, else the program's own in the cache folder; with
    // neither, every launch runs alone.
    void instanceSocketOnlyInAPrivateFolder_data() {
        QTest::addColumn<QString>("runtime"); // what XDG_RUNTIME_DIR names in the home, or unset
        QTest::addColumn<bool>("ownIsOpen");  // the program's own folder is there, open to all
        QTest::addColumn<QString>("folder");  // where the socket is, none when empty
        const QString own = u".cache/" MOORKEEP_APP_ID "-runtime"_qs;
        QTest::newRow("private runtime folder") << "runtime" << false << "runtime";
        QTest::newRow("no runtime folder") << QString() << false << own;
        QTest::newRow("runtime folder open to all") << "open" << false << own;
        QTest::newRow("runtime folder a link to a private one") << "link" << false << own;
        QTest::newRow("runtime folder of another user") << "theirs" << false << own;
        QTest::newRow("own folder open to all") << QString() << true << QString();
    }

    void instanceSocketOnlyInAPrivateFolder() {
        QFETCH(QString, runtime);
        QFETCH(bool, ownIsOpen);
        QFETCH(QString, folder);
        const TestHome home;
        const QString root = QString::fromStdString(home.path()) + u'/';
        QVERIFY(QDir(root).mkdir(u"open"_qs) && ::chmod(qPrintable(root + u"open"_qs), 0777) == 0);
        QVERIFY(QFile::link(root + u"runtime"_qs, root + u"link"_qs));
        QVERIFY(QDir(root).mkdir(u"theirs"_qs) &&
                ::chmod(qPrintable(root + u"theirs"_qs), 0700) == 0);
        if (runtime == u"theirs" && ::chown(qPrintable(root + runtime), 65534, 65534) != 0)
            QSKIP("only root can give a folder to another user");
        const QString own = root + u".cache/" MOORKEEP_APP_ID "-runtime"_qs;
        if (ownIsOpen)
            QVERIFY(QDir().mkpath(own) && ::chmod(qPrintable(own), 0755) == 0);
        const ScopedEnv variable("XDG_RUNTIME_DIR",
                                 runtime.isNull() ? std::nullopt
                                                  : std::optional((root + runtime).toStdString()));

        const QString name = SingleInstance::defaultName();
        SingleInstance instance;
        QVERIFY(instance.claim());
        if (folder.isEmpty()) {
            QVERIFY2(name.isEmpty(), qPrintable(name));
            return;
        }
        QCOMPARE(name, root + folder + u"/" MOORKEEP_APP_ID ".instance"_qs);
        const struct stat status = statOf((root + folder).toStdString());
        QVERIFY(S_ISDIR(status.st_mode) && status.st_uid == ::geteuid());
        QCOMPARE(status.st_mode & 0777, mode_t(0700));
        QVERIFY(S_ISSOCK(statOf(name.toStdString()).st_mode));
    }

    // A first program that takes the request but never answers (stopped or
    // hung) is replaced in time. A client that sends too much, or nothing,
    // is let go; the next one is still answered.
    void instanceReplacesASilentOneAndLetsGreedyClientsGo() {
        const QString name = SingleInstance::defaultName();
        QLocalServer silent;
        QLocalServer::removeServer(name);
        QVERIFY(silent.listen(name));
        QElapsedTimer timer;
        timer.start();
        SingleInstance instance;
        QVERIFY(instance.claim());
        QVERIFY(timer.elapsed() < 5000);
        QSignalSpy asked(&instance, &SingleInstance::activationRequested);

        QLocalSocket greedy, idle, proper;
        greedy.connectToServer(name);
        greedy.write(QByteArray(4 * 1024 * 1024, 'x'));
        idle.connectToServer(name);
        QTRY_COMPARE(greedy.state(), QLocalSocket::UnconnectedState);
        QTRY_COMPARE(idle.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(asked.size(), 0);
        proper.connectToServer(name);
        proper.write("show\n");
        QTRY_VERIFY(proper.canReadLine());
        QCOMPARE(proper.readLine(), QByteArray("shown\n"));
        QCOMPARE(asked.size(), 1);
    }

    void oneEntryPerKeyWithAPublicKeyCopiesExactlyThatKey() {
        SSHKey rsa = sampleKey("id_rsa", "Build & Deploy");
        rsa.type = "rsa";
        MenusHarness h(
            {sampleKey("id_ed25519", "Laptop"), withoutPublicKey(sampleKey("id_old", "Old")), rsa});

        QSignalSpy told(h.model.get(), &AppModel::notified);
        for (const QList<QAction*>& items : h.bothMenus()) {
            QCOMPARE(texts(items),
                     (QStringList{u"Laptop \u2014 ed25519"_qs, u"Build && Deploy \u2014 rsa"_qs}));
            QVERIFY(items[0]->isEnabled() && items[1]->isEnabled());

            QGuiApplication::clipboard()->setText(u"something copied before"_qs);
            items[1]->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh-ed25519 AAAA id_rsa"_qs);
            items[0]->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh-ed25519 AAAA id_ed25519"_qs);
        }
        // Each copy says so.
        QCOMPARE(told.size(), 4);
        QCOMPARE(told[0][0].toString(), u"Public key of \u201cBuild & Deploy\u201d copied"_qs);
        QCOMPARE(told[3][0].toString(), u"Public key of \u201cLaptop\u201d copied"_qs);
        QCOMPARE(KeyMenuItems::label(rsa), u"Build & Deploy \u2014 rsa"_qs);
    }

    // Heading, keys, window, updates, quit; when the keys change both menus
    // follow, and the shared update entry keeps its place and state. Without
    // a key that has a public key both say so.
    void trayMenuInThatOrderFollowsTheKeys() {
        MenusHarness h(sampleVault().keys);
        auto layout = [&] {
            QStringList shown;
            for (QAction* item : h.trayMenu.actions())
                shown.append(item->isSeparator() ? u"--"_qs : item->text());
            return shown;
        };
        QCOMPARE(layout(), (QStringList{u"Moorkeep"_qs, u"--"_qs, u"Laptop \u2014 ed25519"_qs,
                                        u"Work \u2014 ed25519"_qs, u"--"_qs, u"Show Window"_qs,
                                        u"Check for Updates…"_qs, u"--"_qs, u"Quit Moorkeep"_qs}));
        QVERIFY(!h.trayMenu.actions().first()->isEnabled());
        QCOMPARE(h.trayMenu.actions()[8], &h.quit);

        h.check.setEnabled(false);
        VaultData data = sampleVault();
        data.keys = {sampleKey("id_work", "Work"), sampleKey("id_new", "New")};
        h.store->setData(data);
        QFuture<void> refreshed = h.model->refreshKeys();
        QTRY_VERIFY(refreshed.isFinished());
        for (const QList<QAction*>& items : h.bothMenus())
            QCOMPARE(texts(items),
                     (QStringList{u"Work \u2014 ed25519"_qs, u"New \u2014 ed25519"_qs}));
        QCOMPARE(h.trayMenu.actions()[6], &h.check);
        QVERIFY(!h.check.isEnabled());
        h.trayMenu.findChild<QAction*>(u"showWindowAction"_qs)->trigger();
        QCOMPARE(h.windowsOpened, 1);

        for (const auto& keys : {std::vector<SSHKey>{},
                                 {withoutPublicKey(sampleKey("id_rsa", "Old")),
                                  withoutPublicKey(sampleKey("id_ed25519", "Laptop"))}}) {
            data.keys = keys;
            h.store->setData(data);
            refreshed = h.model->refreshKeys();
            QTRY_VERIFY(refreshed.isFinished());
            for (const QList<QAction*>& items : h.bothMenus()) {
                QCOMPARE(texts(items), QStringList{u"No keys found"_qs});
                QVERIFY(!items.first()->isEnabled());
            }
        }
    }
};

MOORKEEP_APP_TEST_MAIN(MoorkeepAppTest)

#include "moorkeep_app_test.moc"
