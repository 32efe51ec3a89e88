#include "keys/certificate_watch.h"
#include "support/app_test.h"

// The status line's word on certificates about to expire.
class CertificateWatchTest : public QObject {
    Q_OBJECT

private slots:
    // Once a certificate of a key in use has a day left, the status line
    // says so, once; an unused key's or an endless one's never.
    void certificateOfAKeyInUseAboutToExpireIsToldOnce() {
        constexpr std::int64_t start = 1'900'000'000;
        constexpr std::int64_t hour = 3600;
        VaultData data = sampleVault();
        data.hosts[1].keyId.reset(); // web uses Laptop, no host Work
        auto certificate = [](const char* path, std::uint64_t end) {
            KeyCertificate c;
            c.path = path;
            c.validBefore = end;
            return c;
        };
        data.keys[0].certificates = {certificate("~/.ssh/id_ed25519-cert.pub", start + 30 * hour),
                                     certificate("~/.ssh/forever-cert.pub", KeyCertificate::noEnd)};
        data.keys[1].certificates = {certificate("~/.ssh/id_work-cert.pub", start + 2 * hour)};
        AppHarness h;
        h.store->setData(data);
        h.model->load();
        QTRY_COMPARE(h.model->keys().size(), 2u);
        QSignalSpy told(h.model.get(), &AppModel::notified);
        std::int64_t now = start;
        CertificateWatch watch(*h.model, nullptr, [&] { return now; });
        QCOMPARE(told.size(), 0);
        now = start + 7 * hour;
        watch.check();
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0][0].toString(), u"The certificate ~/.ssh/id_ed25519-cert.pub of "
                                        "~/.ssh/id_ed25519 expires in 23 hours."_qs);
        now = start + 29 * hour;
        watch.check();
        QCOMPARE(told.size(), 1);
    }
};

MOORKEEP_APP_TEST(CertificateWatchTest);

#include "certificate_watch_test.moc"
