#include "menubar/update_dialog.h"
#include "menubar/updater_controller.h"
#include "menubar/version.h"
#include "support/app_test.h"
#include "support/local_http_server.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace moorkeep;
using namespace moorkeep::test;
using namespace std::chrono_literals;
using Response = LocalHttpServer::Response;

// As the user's locale writes it.
QString tooLarge() {
    return u"The update feed is larger than %1."_qs.arg(
        QLocale().formattedDataSize(1024 * 1024, 0));
}

Q_DECLARE_METATYPE(moorkeep::test::LocalHttpServer::Response)

namespace {

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

class UpdaterControllerTest : public QObject {
    Q_OBJECT

private slots:
    // Versions compare part by part as numbers.
    void comparesPartByPartAsNumbers_data() {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("order"); // -1, 0 or 1

        QTest::newRow("equal") << u"0.1.0"_qs << u"0.1.0"_qs << 0;
        QTest::newRow("missing part is zero") << u"1.2"_qs << u"1.2.0"_qs << 0;
        QTest::newRow("several missing parts") << u"2"_qs << u"2.0.0.0"_qs << 0;
        QTest::newRow("numbers, not text") << u"1.10"_qs << u"1.9"_qs << 1;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs << 0;
        QTest::newRow("patch") << u"0.1.0"_qs << u"0.1.1"_qs << -1;
        QTest::newRow("major beats minor") << u"2.0"_qs << u"1.99.99"_qs << 1;
        QTest::newRow("extra non-zero part") << u"1.2.0.1"_qs << u"1.2"_qs << 1;
        QTest::newRow("beyond 64 bits")
            << u"1.18446744073709551617"_qs << u"1.18446744073709551616"_qs << 1;
        QTest::newRow("longer number") << u"1.100000000000000000000"_qs << u"1.99"_qs << 1;
    }

    void comparesPartByPartAsNumbers() {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, order);
        auto expected = order < 0   ? std::strong_ordering::less
                        : order > 0 ? std::strong_ordering::greater
                                    : std::strong_ordering::equal;
        QVERIFY(Version::compare(left, right) == expected);
        QVERIFY(Version::compare(right, left) == 0 <=> expected);
    }

    void acceptsOnlyDottedNumbers() {
        for (const QString& valid : {u"0"_qs, u"0.1.0"_qs, u"10.20.30.40"_qs})
            QVERIFY2(Version::isValid(valid), qPrintable(valid));
        for (const QString& invalid : {u""_qs, u"v1.2"_qs, u"1..2"_qs, u"1.2."_qs, u".1"_qs,
                                       u"1.2-beta"_qs, u"1.2 "_qs, u"1,2"_qs, u"١.٢"_qs})
            QVERIFY2(!Version::isValid(invalid), qPrintable(invalid));
    }

    void httpFeedOutcomes_data() {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");

        QTest::newRow("same version")
            << Response{.body = feedJson("0.1.0")} << u"You're up to date."_qs
            << u"Moorkeep 0.1.0 is the newest version."_qs;
        QTest::newRow("newer version")
            << Response{.body = feedJson("0.10")} << u"Moorkeep 0.10 is available."_qs
            << u"You have version 0.1.0. The download page has the new version."_qs;
        QTest::newRow("404") << Response{.status = 404, .reason = "Not Found", .body = "gone"}
                             << u"Moorkeep couldn't check for updates."_qs
                             << u"The update server answered with HTTP 404 Not Found."_qs;
        QTest::newRow("malformed JSON") << Response{.body = "{\"latestVersion\": \"0.2.0\","}
                                        << u"Moorkeep couldn't check for updates."_qs
                                        << u"The update feed is not a valid JSON object."_qs;
        QTest::newRow("no version") << Response{.body = "{\"downloadPage\": \"https://a.org\"}"}
                                    << u"Moorkeep couldn't check for updates."_qs
                                    << u"The update feed gives no valid latest version."_qs;
        QTest::newRow("download page to run a program")
            << Response{.body =
                            "{\"latestVersion\": \"0.2\", \"downloadPage\": \"file:///bin/sh\"}"}
            << u"Moorkeep couldn't check for updates."_qs
            << u"The update feed gives no valid download page."_qs;
        QTest::newRow("redirect to plain http")
            << Response{.status = 302,
                        .reason = "Found",
                        .headers = "Location: http://example.org/feed.json\r\n"}
            << u"Moorkeep couldn't check for updates."_qs
            << u"The update feed redirects to “http://example.org/feed.json”, which is not an "
               "https address."_qs;
        QByteArray huge = feedJson("0.2.0", QByteArray(1024 * 1024, 'x').constData());
        QTest::newRow("oversized, announced")
            << Response{.body = huge} << u"Moorkeep couldn't check for updates."_qs << tooLarge();
        QTest::newRow("oversized, unannounced")
            << Response{.body = huge, .announceLength = false}
            << u"Moorkeep couldn't check for updates."_qs << tooLarge();
    }

    void httpFeedOutcomes() {
        QFETCH(Response, response);
        QFETCH(QString, title);
        QFETCH(QString, message);
        LocalHttpServer server;
        server.setResponse(response);
        ControllerHarness h(server.url());

        h.check();
        QCOMPARE(server.requestCount(), 1);
        QVERIFY(h.controller->dialog()->isVisible());
        QCOMPARE(h.title(), title);
        QCOMPARE(h.message(), message);
    }

    void newerVersionShowsItsNotesAndOpensItsDownloadPage() {
        LocalHttpServer server;
        server.setResponse({.body = feedJson("1.10", "Keys menu in the tray.")});
        ControllerHarness h(server.url());
        h.check();

        auto* notes = h.find<QPlainTextEdit>("releaseNotesView");
        QVERIFY(notes->isVisible());
        QVERIFY(notes->isReadOnly());
        QCOMPARE(notes->toPlainText(), u"Keys menu in the tray."_qs);
        auto* download = h.find<QPushButton>("downloadButton");
        QVERIFY(download->isVisible() && download->isDefault());
        QVERIFY(!h.find("cancelButton")->isVisible());

        // Return presses the default button, as the keyboard-only user does.
        QTest::keyClick(h.controller->dialog(), Qt::Key_Return);
        QCOMPARE(h.opened, QList<QUrl>{QUrl(u"https://example.org/moorkeep/download"_qs)});
        QVERIFY(!h.controller->dialog()->isVisible());
    }

    void serverThatNeverAnswersTimesOut() {
        LocalHttpServer server;
        server.setResponse({.body = feedJson("0.2.0"), .hold = true});
        ControllerHarness h(server.url(), 300ms);

        h.check();
        QCOMPARE(h.title(), u"Moorkeep couldn't check for updates."_qs);
        QCOMPARE(h.message(), u"The update server did not answer within %1 seconds."_qs.arg(
                                  QLocale().toString(0.3)));
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
        QTest::addColumn<QString>("feed");    // a name in the test's folder, a path or an address
        QTest::addColumn<QByteArray>("body"); // the file's, when not null
        QTest::addColumn<QString>("message"); // part of it
        QTest::newRow("newer version")
            << "feed.json" << feedJson("0.1.1") << "You have version 0.1.0.";
        QTest::newRow("oversized") << "feed.json" << QByteArray(2 * 1024 * 1024, ' ') << tooLarge();
        QTest::newRow("missing") << "none.json" << QByteArray()
                                 << "Could not reach the update feed: ";
        QTest::newRow("FIFO no one writes") << "fifo" << QByteArray() << "is not a regular file";
        QTest::newRow("device") << "/dev/zero" << QByteArray() << "is not a regular file";
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
            const QString path = feed.startsWith(u'/') ? feed : dir.filePath(feed);
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

    void longReleaseNotesAreShownInPart() {
        QTemporaryDir dir;
        const QByteArray notes(900 * 1024, 'x');
        QFile file(dir.filePath(u"feed.json"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(feedJson("9.0", notes.constData()));
        file.close();
        ControllerHarness h(QUrl::fromLocalFile(file.fileName()));
        h.check();
        auto* view = h.find<QPlainTextEdit>("releaseNotesView");
        QVERIFY(view->toPlainText().size() < UpdateDialog::notesShownLimit + 200);
        QVERIFY(view->toPlainText().startsWith(QString(100, u'x')));
        QCOMPARE(view->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    }

    void buildWithoutFeedPointsToThePackageManager() {
        ControllerHarness h{QUrl()};
        h.check();
        QCOMPARE(h.title(), u"Updates come from your package manager."_qs);
        QVERIFY(!h.find("downloadButton")->isVisible());
        QVERIFY(h.find<QPushButton>("closeButton")->isDefault());
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

    void everyDialogControlHasNames() {
        ControllerHarness h{QUrl()};
        h.check();
        for (QWidget* widget : h.controller->dialog()->findChildren<QWidget*>()) {
            if (widget->inherits("QLabel") || widget->inherits("QAbstractButton") ||
                widget->inherits("QProgressBar") || widget->inherits("QPlainTextEdit")) {
                QVERIFY2(!widget->objectName().isEmpty(), widget->metaObject()->className());
                QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
            }
        }
    }
};

MOORKEEP_APP_TEST_MAIN(UpdaterControllerTest)

#include "updater_controller_test.moc"
