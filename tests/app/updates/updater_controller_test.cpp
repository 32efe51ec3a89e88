#include "support/app_test.h"
#include "support/local_http_server.h"
#include "updates/update_dialog.h"
#include "updates/updater_controller.h"

using namespace std::chrono_literals;

namespace {

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

Q_DECLARE_METATYPE(Response)

// How the program looks for updates, and what its dialog then says.
class UpdaterControllerTest : public QObject {
    Q_OBJECT

private slots:
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
};

MOORKEEP_APP_TEST(UpdaterControllerTest);

#include "updater_controller_test.moc"
