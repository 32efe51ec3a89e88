#include "hosts/known_host_keys_card.h"

#include "dialogs/confirm_alert.h"
#include "hosts/shown_place.h"
#include "model/app_model.h"
#include "model/when_finished.h"
#include "openssh/ssh_command.h"
#include "style/badge_label.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/symbols.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

std::function<QColor()> secondary() {
    return [] { return Colors::secondary(); };
}

BadgeLabel* badge(const QString& text, const BadgeLabel::Look& look, const QString& name) {
    auto* label = new BadgeLabel(text, look);
    label->setObjectName(name);
    label->setFont(TypeRamp::font(TypeRamp::Style::caption2));
    return label;
}

// "2 lines from ~/.ssh/known_hosts and 1 line from ~/.ssh/known_hosts2".
QString removalText(const KnownHostKeys& keys) {
    QStringList parts;
    for (const auto& [file, count] : keys.removableLinesPerFile())
        parts << (count == 1 ? KnownHostKeysCard::tr("1 line from %1").arg(ShownPlace::path(file))
                             : KnownHostKeysCard::tr("%1 lines from %2")
                                   .arg(count)
                                   .arg(ShownPlace::path(file)));
    if (parts.size() < 2)
        return parts.join(QString());
    const QString last = parts.takeLast();
    return KnownHostKeysCard::tr("%1 and %2").arg(parts.join(QStringLiteral(", ")), last);
}

// The name ssh is given for the host: its alias for a host of the
// configuration, its host name for one kept by the application.
std::string lookedUpName(const SSHHost& host) {
    return host.source == HostSource::config ? SSHCommand::destinationPattern(host.alias)
                                             : host.hostname;
}

} // namespace

KnownHostKeysCard::KnownHostKeysCard(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName(QStringLiteral("knownHostKeysSection"));
    auto* head = new QHBoxLayout;
    head->setContentsMargins(0, 0, 0, 0);
    head->addWidget(new TintedLabel(
        tr("KNOWN HOST KEYS"),
        TypeRamp::spaced(TypeRamp::font(TypeRamp::Style::caption, QFont::DemiBold)), secondary()));
    head->addStretch();
    forgetButton_ = new QPushButton(Symbols::icon(QStringLiteral("trash"), Colors::destructive()),
                                    tr("Forget Host Keys…"));
    forgetButton_->setObjectName(QStringLiteral("forgetHostKeysButton"));
    forgetButton_->setAccessibleName(tr("Forget the host keys ssh trusts for this host"));
    forgetButton_->setAutoDefault(false);
    forgetButton_->setEnabled(false);
    connect(forgetButton_, &QPushButton::clicked, this, &KnownHostKeysCard::confirmForget);
    head->addWidget(forgetButton_);

    auto* card = new CardFrame;
    card->setObjectName(QStringLiteral("knownHostKeysCard"));
    card->setAccessibleName(tr("Known host keys"));
    cardLayout_ = new QVBoxLayout(card);
    cardLayout_->setContentsMargins(14, 10, 14, 10);
    cardLayout_->setSpacing(8);
    note_ = new TintedLabel(QString(), TypeRamp::font(TypeRamp::Style::caption), secondary());
    note_->setObjectName(QStringLiteral("knownHostKeysNote"));
    note_->setWordWrap(true);
    cardLayout_->addWidget(note_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addLayout(head);
    layout->addWidget(card);
    // A timer's turn comes after the posted events, the paint among them.
    readSoon_.setSingleShot(true);
    readSoon_.setInterval(0);
    connect(&readSoon_, &QTimer::timeout, this, &KnownHostKeysCard::reload);
}

void KnownHostKeysCard::setHost(const SSHHost& host) {
    name_ = lookedUpName(host);
    keys_.reset();
    setBody(nullptr);
    note_->setText(tr("Reading the known_hosts files…"));
    forgetButton_->setEnabled(false);
    // No answer of a host before this one is shown meanwhile.
    ++reading_;
    readSoon_.start();
}

// A watcher owned by the card: the answer is dropped with the card, or when
// another reading started since.
void KnownHostKeysCard::reload() {
    auto* watcher = new QFutureWatcher<KnownHostKeys>(this);
    connect(watcher, &QFutureWatcher<KnownHostKeys>::finished, this,
            [this, watcher, reading = ++reading_] {
                watcher->deleteLater();
                if (reading == reading_ && watcher->future().resultCount() > 0)
                    showKeys(watcher->result());
            });
    watcher->setFuture(model_.knownHostKeys(name_));
}

void KnownHostKeysCard::setBody(QWidget* body) {
    delete body_;
    body_ = body;
    if (!body_)
        return;
    cardLayout_->insertWidget(0, body_);
    // Shown now rather than on the layout's next turn, so the rows and the
    // note change together.
    body_->show();
}

void KnownHostKeysCard::showKeys(KnownHostKeys keys) {
    keys_ = std::move(keys);
    QWidget* body = nullptr;
    if (!keys_->keys.empty()) {
        body = new QWidget;
        auto* rows = new QVBoxLayout(body);
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setSpacing(8);
        for (const auto& key : keys_->keys)
            rows->addWidget(keyRow(key));
    }
    setBody(body);
    QStringList notes;
    if (keys_->keys.empty())
        notes << tr("No key is known for this host yet: ssh will ask you to confirm the key on "
                    "first connect.");
    notes << tr("ssh looks the key up as %1.").arg(QString::fromStdString(keys_->lookupName));
    if (keys_->checkHostIp)
        notes << tr("CheckHostIP is on: ssh also checks the keys kept for the host's address.");
    if (keys_->malformedLines > 0)
        notes << (keys_->malformedLines == 1
                      ? tr("1 line of the known_hosts files could not be read and was skipped.")
                      : tr("%1 lines of the known_hosts files could not be read and were "
                           "skipped.")
                            .arg(keys_->malformedLines));
    note_->setText(notes.join(QLatin1Char(' ')));
    forgetButton_->setEnabled(!removalText(*keys_).isEmpty());
    emit keysShown();
}

QWidget* KnownHostKeysCard::keyRow(const KnownHostKey& key) {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("knownHostKeyRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    const QString type = QString::fromStdString(key.keyType);
    const QString fingerprint = key.fingerprint.empty()
                                    ? tr("(no fingerprint: the key does not decode)")
                                    : QString::fromStdString(key.fingerprint);
    const QString place = QStringLiteral("%1:%2").arg(ShownPlace::path(key.file)).arg(key.line);
    auto* typeLabel =
        new TintedLabel(type, TypeRamp::monospaced(TypeRamp::Style::caption, QFont::Medium),
                        [] { return Colors::primary(); });
    typeLabel->setObjectName(QStringLiteral("knownHostKeyType"));
    auto* print = new TintedLabel(fingerprint, TypeRamp::monospaced(TypeRamp::Style::caption),
                                  [] { return Colors::primary(); });
    print->setObjectName(QStringLiteral("knownHostKeyFingerprint"));
    print->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    print->setAccessibleName(tr("%1 key fingerprint").arg(type));
    auto* where = new TintedLabel(place, TypeRamp::font(TypeRamp::Style::caption), secondary());
    where->setObjectName(QStringLiteral("knownHostKeyPlace"));
    layout->addWidget(typeLabel);
    layout->addWidget(print, 1);
    layout->addWidget(where);
    QStringList said{type, fingerprint, place};
    if (key.hashed) {
        layout->addWidget(badge(tr("hashed"), BadgeLabel::neutralLook({5, 1, 5, 1}),
                                QStringLiteral("knownHostKeyHashedBadge")));
        said << tr("hashed");
    }
    if (key.marker != KnownHostKey::Marker::none) {
        const QString marker = key.marker == KnownHostKey::Marker::revoked
                                   ? QStringLiteral("@revoked")
                                   : QStringLiteral("@cert-authority");
        layout->addWidget(badge(marker, BadgeLabel::warningLook({5, 1, 5, 1}),
                                QStringLiteral("knownHostKeyMarkerBadge")));
        said << marker;
    }
    row->setAccessibleName(said.join(QStringLiteral(", ")));
    return row;
}

void KnownHostKeysCard::confirmForget() {
    if (!keys_)
        return;
    const QString removal = removalText(*keys_);
    if (removal.isEmpty())
        return;
    const QString name = QString::fromStdString(keys_->name);
    ConfirmAlert alert{.objectName = QStringLiteral("forgetHostKeysAlert"),
                       .windowTitle = tr("Forget Host Keys"),
                       .question = tr("Forget the host keys of \"%1\"?").arg(name),
                       .consequence =
                           tr("This removes %1. ssh will ask you to confirm the key on the next "
                              "connection. The previous contents are kept beside each file, "
                              "with \".old\" added to its name.")
                               .arg(removal),
                       .action = tr("Forget Host Keys"),
                       .actionObjectName = QStringLiteral("confirmForgetHostKeysButton"),
                       .cancelObjectName = QStringLiteral("cancelForgetHostKeysButton"),
                       .redAction = true};
    // The host shown may change while the alert is open.
    alert.open(window(), [card = QPointer(this), asked = name_](bool confirmed) {
        if (!confirmed || !card || card->name_ != asked)
            return;
        whenFinished(card->model_.forgetHostKeys(card->name_), card,
                     [card](const CallEnd&) { card->reload(); });
    });
}

} // namespace moorkeep
