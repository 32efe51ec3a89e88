#include "keys/certificate_card.h"

#include "keys/certificate_reader.h"
#include "keys/detail_card.h"
#include "keys/key_checks.h"
#include "style/badge_label.h"
#include "style/colors.h"
#include "style/selectable_text.h"
#include "style/type_ramp.h"

#include <QFormLayout>
#include <QLayout>
#include <QStringList>
#include <QVBoxLayout>

namespace moorkeep {

CertificateCard::CertificateCard(const SSHKey& key, const KeyCertificate& certificate,
                                 const QDateTime& now, QWidget* parent)
    : CardFrame(parent) {
    setObjectName(QStringLiteral("certificateCard"));
    setAccessibleName(tr("Certificate %1").arg(QString::fromStdString(certificate.path)));
    auto* layout = DetailCard::cardLayout(this);
    auto* head = DetailCard::headRow(QStringLiteral("checkmark.seal"),
                                     certificate.kind == "host" ? tr("HOST CERTIFICATE")
                                                                : tr("USER CERTIFICATE"));
    const auto expiry = KeyChecks::certificateExpiry(key, certificate, now.toSecsSinceEpoch());
    if (!expiry.badge.empty()) {
        const bool expired = expiry.state == KeyChecks::CertificateState::expired;
        badge_ = new BadgeLabel(QString::fromStdString(expiry.badge),
                                expired || expiry.state == KeyChecks::CertificateState::notYetValid
                                    ? BadgeLabel::warningLook()
                                    : BadgeLabel::accentLook());
        badge_->setObjectName(QStringLiteral("certificateExpiryBadge"));
        badge_->setFont(TypeRamp::font(TypeRamp::Style::caption2));
        badge_->setAccessibleName(QString::fromStdString(expiry.message));
        head->layout()->addWidget(badge_);
    }
    layout->addWidget(head);

    QStringList principals;
    for (const std::string& name : certificate.principals)
        principals << QString::fromStdString(name);
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    auto add = [&](const QString& label, const QString& value, const char* name, bool mono) {
        auto* text =
            new SelectableText(value,
                               mono ? TypeRamp::monospaced(TypeRamp::Style::caption, QFont::Medium)
                                    : TypeRamp::font(TypeRamp::Style::callout),
                               [] { return Colors::primary(); });
        text->setObjectName(QString::fromLatin1(name));
        text->setAccessibleName(label);
        form->addRow(label, text);
    };
    add(tr("File"), QString::fromStdString(certificate.path), "certificatePath", true);
    add(tr("Key ID"), QString::fromStdString(certificate.keyId), "certificateKeyId", false);
    add(tr("Principals"), principals.isEmpty() ? tr("Any") : principals.join(QStringLiteral(", ")),
        "certificatePrincipals", false);
    add(tr("Signing CA"), QString::fromStdString(certificate.caFingerprint), "certificateCa", true);
    add(tr("Valid"), QString::fromStdString(CertificateReader::validityText(certificate)),
        "certificateValidity", false);
    add(tr("Serial"), QString::number(certificate.serial), "certificateSerial", false);
    layout->addLayout(form);
}

} // namespace moorkeep
