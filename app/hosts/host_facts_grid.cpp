#include "hosts/host_facts_grid.h"

#include "hosts/host_detail_card.h"
#include "hosts/shown_place.h"

#include <QGridLayout>

namespace moorkeep {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// The type of the key shown, and whether it is a default identity.
std::optional<QString> keyCaption(const SSHHost& host, const std::optional<SSHKey>& keyInfo) {
    if (!keyInfo)
        return std::nullopt;
    if (host.keyId || !host.facts.keysByDefault)
        return text(keyInfo->type);
    const auto count = host.facts.keyIds.size();
    return count == 1
               ? HostFactsGrid::tr("%1 · default").arg(text(keyInfo->type))
               : HostFactsGrid::tr("%1 · default, first of %2").arg(text(keyInfo->type)).arg(count);
}

// What the card of this ssh -G keyword says when OpenSSH ignores a line of
// the host's own block for it; empty when it does not.
QString shadowNote(const SSHHost& host, const std::string& keyword) {
    for (const auto& line : host.facts.shadowed)
        if (line.keyword == keyword)
            return HostFactsGrid::tr("OpenSSH uses %1 from %2, not %3 from line %4.")
                .arg(text(line.byValue), ShownPlace::line(line.by), text(line.value))
                .arg(line.place.line);
    return {};
}

HostDetailCard* card(const QString& icon, const QString& label) {
    auto* made = new HostDetailCard(icon, label);
    made->setObjectName(QStringLiteral("detailCard"));
    return made;
}

} // namespace

HostFactsGrid::HostFactsGrid(QWidget* parent)
    : QWidget(parent)
    , layout_(new QGridLayout(this))
    , hostname_(card(QStringLiteral("globe"), tr("HOSTNAME")))
    , user_(card(QStringLiteral("person"), tr("USER")))
    , port_(card(QStringLiteral("number"), tr("PORT")))
    , key_(card(QStringLiteral("key.fill"), tr("IDENTITY KEY"))) {
    setObjectName(QStringLiteral("hostCards"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(14);
    layout_->setColumnStretch(0, 1);
    layout_->setColumnStretch(1, 1);
    layout_->addWidget(hostname_, 0, 0);
    layout_->addWidget(user_, 0, 1);
    layout_->addWidget(port_, 1, 0);
    layout_->addWidget(key_, 1, 1);
}

void HostFactsGrid::setHost(const SSHHost& host, const std::optional<SSHKey>& keyInfo) {
    hostname_->setValue(text(host.hostname), std::nullopt, shadowNote(host, "hostname"));
    user_->setValue(text(host.user), std::nullopt, shadowNote(host, "user"));
    port_->setValue(QString::number(host.port), std::nullopt, shadowNote(host, "port"));
    key_->setValue(keyInfo ? text(keyInfo->name) : tr("None"), keyCaption(host, keyInfo),
                   shadowNote(host, "identityfile"));
    const QString jumpNote = shadowNote(host, "proxyjump");
    if (!host.proxyJump && jumpNote.isEmpty()) {
        delete proxyJump_;
        proxyJump_ = nullptr;
        return;
    }
    if (!proxyJump_) {
        proxyJump_ = card(QStringLiteral("arrow.left.arrow.right"), tr("PROXYJUMP"));
        layout_->addWidget(proxyJump_, 2, 0);
    }
    proxyJump_->setValue(text(host.proxyJump.value_or("")), std::nullopt, jumpNote);
}

} // namespace moorkeep
