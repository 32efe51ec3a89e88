#pragma once

#include "model/key_certificate.h"
#include "model/ssh_key.h"
#include "style/card_frame.h"

#include <QDateTime>

namespace moorkeep {

class BadgeLabel;

// A key's certificate in its detail: the key ID, the principals, the
// signing CA's fingerprint and the validity, as ssh-keygen -L gives them,
// with an "Expired" or "Expires in 3 hours" badge told by the clock now.
class CertificateCard : public CardFrame {
    Q_OBJECT

public:
    CertificateCard(const SSHKey& key, const KeyCertificate& certificate,
                    const QDateTime& now = QDateTime::currentDateTimeUtc(),
                    QWidget* parent = nullptr);

    BadgeLabel* expiryBadge() const { return badge_; }

private:
    BadgeLabel* badge_ = nullptr;
};

} // namespace moorkeep
