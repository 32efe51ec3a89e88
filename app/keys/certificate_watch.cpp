#include "keys/certificate_watch.h"

#include "keys/key_checks.h"
#include "model/app_model.h"
#include "stores/vault_rules.h"

#include <ctime>

namespace moorkeep {

CertificateWatch::CertificateWatch(AppModel& model, QObject* parent, Clock clock)
    : QObject(parent)
    , model_(model)
    , clock_(clock ? std::move(clock) : Clock([] { return std::int64_t(std::time(nullptr)); })) {
    connect(&model_, &AppModel::keysChanged, this, &CertificateWatch::check);
    connect(&model_, &AppModel::hostsChanged, this, &CertificateWatch::check);
    connect(&timer_, &QTimer::timeout, this, &CertificateWatch::check);
    timer_.start(intervalMilliseconds);
    check();
}

// An expired certificate is the diagnosis's to report; this tells of the
// ones about to go.
void CertificateWatch::check() {
    const std::int64_t now = clock_();
    const auto usage = VaultRules::usageCounts(model_.hosts());
    for (const auto& expiry : KeyChecks::expiringCertificates(model_.keys(), now)) {
        if (expiry.state != KeyChecks::CertificateState::expiresSoon ||
            !usage.contains(expiry.keyId))
            continue;
        if (told_.insert(expiry.certificatePath + "@" + std::to_string(now + expiry.secondsLeft))
                .second)
            model_.notify(QString::fromStdString(expiry.message));
    }
}

} // namespace moorkeep
