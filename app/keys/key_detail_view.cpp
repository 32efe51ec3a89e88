#include "keys/key_detail_view.h"

#include "dialogs/dialog_kit.h"
#include "keys/certificate_card.h"
#include "keys/detail_card.h"
#include "keys/key_checks.h"
#include "keys/used_by_table.h"
#include "style/badge_label.h"
#include "style/caption_label.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/copy_button.h"
#include "style/icon_tile.h"
#include "style/selectable_text.h"
#include "style/symbols.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"
#include "window/shortcuts.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

QString hostsCaption(std::size_t count) {
    return count == 1 ? KeyDetailView::tr("USED BY 1 HOST")
                      : KeyDetailView::tr("USED BY %1 HOSTS").arg(count);
}

} // namespace

KeyDetailView::KeyDetailView(SSHKey keyInfo, std::vector<SSHHost> usedBy, Actions actions,
                             QWidget* parent)
    : DetailPage(QStringLiteral("keyDetailView"), QStringLiteral("keyDetailColumn"), parent)
    , keyInfo_(std::move(keyInfo))
    , usedBy_(std::move(usedBy))
    , actions_(std::move(actions)) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QVBoxLayout* layout = column();
    layout->addWidget(buildHeader());
    layout->addWidget(buildPublicKey());
    layout->addWidget(buildCards());
    layout->addWidget(buildHosts());
    showColumn(Qt::AlignLeft);
}

// The locale's long form without the weekday and with the month's short
// name: "8 Dec 2026", "Dec 8, 2026", "8. Dez. 2026".
QString KeyDetailView::typeText(const SSHKey& key) {
    const QString type = QString::fromStdString(key.type).toUpper();
    return key.bits ? QStringLiteral("%1 %2").arg(type).arg(*key.bits) : type;
}

QString KeyDetailView::createdText(const std::string& createdAt, const QLocale& locale) {
    const QString text = QString::fromStdString(createdAt);
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return text;
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("d{4}[,.]?\\s*")));
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return locale.toString(date, format.trimmed());
}

QWidget* KeyDetailView::buildHeader() {
    auto* header = new QWidget;
    auto* rows = new QVBoxLayout(header);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(14);
    rows->addLayout(buildIdentity());
    rows->addLayout(buildActions());
    return header;
}

// The key's tile beside its name, badges and file.
QLayout* KeyDetailView::buildIdentity() {
    auto* path = new TintedLabel(QString::fromStdString(keyInfo_.path),
                                 TypeRamp::monospaced(TypeRamp::Style::callout), Colors::secondary);
    path->setObjectName(QStringLiteral("keyPathLabel"));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(4);
    lines->addLayout(buildTitleLine());
    lines->addWidget(path);

    auto* identity = new QHBoxLayout;
    identity->setSpacing(14);
    identity->addWidget(new IconTile(QStringLiteral("key.fill"), IconTile::headerLook), 0,
                        Qt::AlignTop);
    identity->addLayout(lines, 1);
    return identity;
}

// The name, the type, the passphrase's lock (where it is known) and whether
// the agent holds the key.
QLayout* KeyDetailView::buildTitleLine() {
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    auto* name =
        new TintedLabel(QString::fromStdString(keyInfo_.name),
                        TypeRamp::font(TypeRamp::Style::title2, QFont::Bold), Colors::primary);
    name->setObjectName(QStringLiteral("keyNameLabel"));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    titleLine->addWidget(name);
    auto* type = new BadgeLabel(QString::fromStdString(keyInfo_.type), BadgeLabel::accentLook());
    type->setObjectName(QStringLiteral("keyTypeBadge"));
    type->setFont(TypeRamp::font(TypeRamp::Style::caption2));
    titleLine->addWidget(type);
    if (keyInfo_.hasPassphrase)
        titleLine->addWidget(buildPassphraseButton(*keyInfo_.hasPassphrase));
    auto warn = [&](const QString& text, const QString& objectName, const QString& why) {
        auto* badge = new BadgeLabel(text, BadgeLabel::warningLook());
        badge->setObjectName(objectName);
        badge->setFont(TypeRamp::font(TypeRamp::Style::caption2));
        badge->setAccessibleName(why);
        titleLine->addWidget(badge);
    };
    if (auto weak = KeyChecks::weakKey(keyInfo_))
        warn(tr("Weak"), QStringLiteral("weakKeyBadge"), QString::fromStdString(weak->message));
    if (keyInfo_.publicKeyMissing)
        warn(
            tr("Public key missing"), QStringLiteral("publicKeyMissingBadge"),
            tr("The public key file %1.pub is missing").arg(QString::fromStdString(keyInfo_.path)));
    inAgentBadge_ = new BadgeLabel(tr("In agent"), BadgeLabel::positiveLook());
    inAgentBadge_->setObjectName(QStringLiteral("inAgentBadge"));
    inAgentBadge_->setFont(TypeRamp::font(TypeRamp::Style::caption2));
    inAgentBadge_->setAccessibleName(tr("The ssh-agent holds this key"));
    titleLine->addWidget(inAgentBadge_);
    titleLine->addStretch();
    return titleLine;
}

QWidget* KeyDetailView::buildPassphraseButton(bool locked) {
    auto* lock = new QToolButton;
    lock->setObjectName(QStringLiteral("passphraseButton"));
    lock->setAutoRaise(true);
    lock->setIconSize({11, 11});
    lock->setIcon(locked ? Symbols::icon(QStringLiteral("lock.fill"), Colors::positive())
                         : Symbols::icon(QStringLiteral("lock.open"), Colors::secondary()));
    const QString what = locked ? tr("Change passphrase") : tr("Set passphrase");
    lock->setToolTip(Shortcuts::tip(what, Shortcuts::passphrase()));
    lock->setAccessibleName(what);
    connect(lock, &QToolButton::clicked, this, [this] { actions_.onChangePassphrase(); });
    return lock;
}

// Rename and Delete, then the agent's two buttons.
QLayout* KeyDetailView::buildActions() {
    auto* rename = new QPushButton(Symbols::icon(QStringLiteral("pencil")), tr("Rename"));
    rename->setObjectName(QStringLiteral("renameButton"));
    rename->setAccessibleName(tr("Rename"));
    rename->setToolTip(Shortcuts::tip(tr("Rename key"), Shortcuts::rename()));
    connect(rename, &QPushButton::clicked, this, [this] { actions_.onRename(); });

    addToAgent_ = new QPushButton(tr("Add to Agent…"));
    addToAgent_->setObjectName(QStringLiteral("addToAgentButton"));
    addToAgent_->setAccessibleName(tr("Add to Agent"));
    connect(addToAgent_, &QPushButton::clicked, this, [this] { actions_.onAddToAgent(); });
    removeFromAgent_ = new QPushButton(tr("Remove from Agent"));
    removeFromAgent_->setObjectName(QStringLiteral("removeFromAgentButton"));
    removeFromAgent_->setAccessibleName(tr("Remove from Agent"));
    connect(removeFromAgent_, &QPushButton::clicked, this,
            [this] { actions_.onRemoveFromAgent(); });
    showAgent({});

    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    actions->addWidget(rename);
    actions->addWidget(buildDeleteButton());
    actions->addSpacing(8);
    actions->addWidget(addToAgent_);
    actions->addWidget(removeFromAgent_);
    if (keyInfo_.publicKeyMissing) {
        auto* recreate = new QPushButton(tr("Re-create Public Key"));
        recreate->setObjectName(QStringLiteral("recreatePublicKeyButton"));
        recreate->setAccessibleName(tr("Re-create Public Key"));
        connect(recreate, &QPushButton::clicked, this, [this] { actions_.onRecreatePublicKey(); });
        actions->addWidget(recreate);
    }
    actions->addStretch();
    return actions;
}

// Offered only for a key no host uses.
QPushButton* KeyDetailView::buildDeleteButton() {
    deleteButton_ = new QPushButton(Symbols::icon(QStringLiteral("trash"), Colors::destructive()),
                                    tr("Delete"));
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    deleteButton_->setAccessibleName(tr("Delete"));
    DialogKit::setDestructive(deleteButton_, true);
    deleteButton_->setToolTip(Shortcuts::tip(tr("Delete key"), Shortcuts::remove()));
    if (!usedBy_.empty()) {
        deleteButton_->setEnabled(false);
        deleteButton_->setToolTip(tr("Remove key from all hosts first"));
        deleteButton_->setAccessibleDescription(deleteButton_->toolTip());
    }
    connect(deleteButton_, &QPushButton::clicked, this, [this] { actions_.onDelete(); });
    return deleteButton_;
}

void KeyDetailView::showAgent(const AgentActions::Offer& offer) {
    inAgentBadge_->setVisible(offer.held);
    addToAgent_->setEnabled(offer.canAdd);
    addToAgent_->setToolTip(offer.addTip);
    addToAgent_->setAccessibleDescription(offer.addTip);
    removeFromAgent_->setEnabled(offer.canRemove);
    removeFromAgent_->setToolTip(offer.removeTip);
    removeFromAgent_->setAccessibleDescription(offer.removeTip);
}

QWidget* KeyDetailView::buildPublicKey() {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new CaptionLabel(tr("PUBLIC KEY")));

    auto* box = new CardFrame(CardFrame::accentLook());
    box->setObjectName(QStringLiteral("publicKeyBox"));
    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(14, 14, 14, 14);
    boxLayout->setSpacing(10);
    auto* text = new SelectableText(QString::fromStdString(keyInfo_.publicKey),
                                    TypeRamp::monospaced(TypeRamp::Style::caption),
                                    [] { return Colors::primary(); });
    text->setObjectName(QStringLiteral("publicKeyText"));
    text->setAccessibleName(tr("Public key"));
    boxLayout->addWidget(text, 1, Qt::AlignTop);

    copyKey_ = new CopyButton(CopyButton::Look::bordered);
    copyKey_->setObjectName(QStringLiteral("copyPublicKeyButton"));
    copyKey_->setAccessibleName(tr("Copy public key"));
    copyKey_->setToolTip(Shortcuts::tip(tr("Copy public key"), Shortcuts::copy()));
    copyKey_->setCopyText(QString::fromStdString(keyInfo_.publicKey));
    copyKey_->setFont(TypeRamp::font(TypeRamp::Style::caption));
    boxLayout->addWidget(copyKey_, 0, Qt::AlignTop);
    layout->addWidget(box);
    return section;
}

QWidget* KeyDetailView::buildCards() {
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);

    auto* fingerprint = new CardFrame;
    fingerprint->setObjectName(QStringLiteral("fingerprintCard"));
    auto* fingerprintLayout = DetailCard::cardLayout(fingerprint);
    auto* head = DetailCard::headRow(QStringLiteral("touchid"), tr("FINGERPRINT"));
    copyFingerprint_ = new CopyButton(CopyButton::Look::borderless);
    copyFingerprint_->setObjectName(QStringLiteral("copyFingerprintButton"));
    copyFingerprint_->setAccessibleName(tr("Copy fingerprint"));
    copyFingerprint_->setToolTip(
        Shortcuts::tip(tr("Copy fingerprint"), Shortcuts::copyFingerprint()));
    copyFingerprint_->setCopyText(QString::fromStdString(keyInfo_.fingerprint));
    copyFingerprint_->setFont(TypeRamp::font(TypeRamp::Style::caption2));
    copyFingerprint_->setIconSize({10, 10});
    head->layout()->addWidget(copyFingerprint_);
    fingerprintLayout->addWidget(head);
    auto* value = new SelectableText(QString::fromStdString(keyInfo_.fingerprint),
                                     TypeRamp::monospaced(TypeRamp::Style::caption, QFont::Medium),
                                     [] { return Colors::primary(); });
    value->setObjectName(QStringLiteral("fingerprintText"));
    value->setAccessibleName(tr("Fingerprint"));
    fingerprintLayout->addWidget(value);
    fingerprintLayout->addStretch();
    // The whole row: half of it is narrower than a SHA256 fingerprint, which
    // would then leave its last characters alone on a second line.
    layout->addWidget(fingerprint, 0, 0, 1, 2);

    auto* type = new DetailCard(QStringLiteral("shield"), tr("TYPE"), typeText(keyInfo_), false);
    type->setObjectName(QStringLiteral("typeCard"));
    layout->addWidget(type, 1, 0);
    auto* path = new DetailCard(QStringLiteral("folder"), tr("PATH"),
                                QString::fromStdString(keyInfo_.path), true);
    path->setObjectName(QStringLiteral("pathCard"));
    layout->addWidget(path, 2, 0, 1, 2);
    auto* created = new DetailCard(QStringLiteral("calendar"), tr("CREATED"),
                                   createdText(keyInfo_.createdAt), false);
    created->setObjectName(QStringLiteral("createdCard"));
    layout->addWidget(created, 1, 1);
    int row = 3;
    for (const KeyCertificate& certificate : keyInfo_.certificates)
        layout->addWidget(new CertificateCard(keyInfo_, certificate), row++, 0, 1, 2);
    return grid;
}

QWidget* KeyDetailView::buildHosts() {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* caption = new CaptionLabel(hostsCaption(usedBy_.size()));
    caption->setObjectName(QStringLiteral("usedByCaption"));
    layout->addWidget(caption);

    auto* card = new CardFrame;
    card->setObjectName(QStringLiteral("usedByCard"));
    auto* cardLayout = new QVBoxLayout(card);
    if (usedBy_.empty()) {
        cardLayout->setContentsMargins(20, 20, 20, 20);
        auto* none = new TintedLabel(tr("This key is not assigned to any hosts."),
                                     TypeRamp::font(TypeRamp::Style::callout), Colors::secondary);
        none->setObjectName(QStringLiteral("notAssignedLabel"));
        none->setAlignment(Qt::AlignCenter);
        cardLayout->addWidget(none);
    } else {
        // The table runs to the card's rounded edge; a pixel inset keeps the
        // edge line visible.
        cardLayout->setContentsMargins(1, 1, 1, 1);
        cardLayout->addWidget(new UsedByTable(usedBy_));
    }
    layout->addWidget(card);
    return section;
}

} // namespace moorkeep
