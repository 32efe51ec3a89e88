#include "hosts/host_detail_view.h"

#include "hosts/host_facts_grid.h"
#include "hosts/shown_place.h"
#include "openssh/ssh_command.h"
#include "style/badge_label.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/copy_button.h"
#include "style/elided_label.h"
#include "style/icon_tile.h"
#include "style/symbol_label.h"
#include "style/symbols.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"
#include "window/shortcuts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

std::function<QColor()> secondary() {
    return [] { return Colors::secondary(); };
}

QFont headingFont(TypeRamp::Style style) {
    return TypeRamp::spaced(TypeRamp::font(style, QFont::DemiBold));
}

// A 1-pixel line of the card's edge colour.
class Divider : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Colors::withOpacity(Colors::secondary(), 0.15));
    }
};

// The command text on the window background at 60 %, its lower corners
// following the card's; a long one ends in "…" (Copy takes all of it).
class CommandText : public ElidedLabel {
public:
    CommandText()
        : ElidedLabel(QString(), TypeRamp::monospaced(TypeRamp::Style::body),
                      [] { return Colors::primary(); }) {
        setTextInteractionFlags(Qt::TextSelectableByMouse);
        setContentsMargins(14, 12, 14, 12);
        setObjectName(QStringLiteral("commandText"));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area(rect());
        constexpr qreal radius = 9;
        QPainterPath path;
        path.moveTo(area.topLeft());
        path.lineTo(area.topRight());
        path.lineTo(area.right(), area.bottom() - radius);
        path.quadTo(area.bottomRight(), QPointF(area.right() - radius, area.bottom()));
        path.lineTo(area.left() + radius, area.bottom());
        path.quadTo(area.bottomLeft(), QPointF(area.left(), area.bottom() - radius));
        path.closeSubpath();
        painter.fillPath(path, Colors::withOpacity(Colors::windowBackground(), 0.6));
        painter.end();
        ElidedLabel::paintEvent(event);
    }
};

// A row of a list card: a label, then a value that takes the rest.
void addCardRow(QVBoxLayout* card, QWidget* label, QWidget* value) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(14, 8, 14, 8);
    row->setSpacing(12);
    row->addWidget(label);
    row->addWidget(value, 1);
    card->addLayout(row);
}

// A caption over a card.
QWidget* captionedSection(const QString& caption, QWidget* card) {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new TintedLabel(caption, headingFont(TypeRamp::Style::caption), secondary()));
    layout->addWidget(card);
    return section;
}

} // namespace

HostDetailView::HostDetailView(std::function<void()> onEdit, std::function<void()> onDelete,
                               QWidget* parent)
    : DetailPage(QStringLiteral("hostDetailView"), QStringLiteral("hostDetailColumn"), parent)
    , onEdit_(std::move(onEdit))
    , onDelete_(std::move(onDelete)) {
    QVBoxLayout* layout = column();
    layout->addWidget(buildHeader());
    layout->addWidget(buildCommandCard());
    facts_ = new HostFactsGrid;
    layout->addWidget(facts_);
    showColumn();
}

// The parts every host has take the new texts; the extra options and the
// other blocks that apply are made anew only when they differ.
void HostDetailView::setHost(SSHHost host, std::optional<SSHKey> keyInfo) {
    const SSHHost before = std::exchange(host_, std::move(host));
    keyInfo_ = std::move(keyInfo);
    setAccessibleName(tr("Host %1").arg(text(host_.alias)));
    title_->setFullText(text(host_.alias));
    setBadge(host_.source == HostSource::config);
    hostname_->setFullText(text(host_.hostname));
    const QString sshCommand = text(SSHCommand::build(host_));
    copyButton_->setCopyText(sshCommand);
    command_->setFullText(sshCommand);
    facts_->setHost(host_, keyInfo_);
    if (!filled_ || before.extraOptions != host_.extraOptions)
        replaceSection(extraOptions_, host_.extraOptions.empty() ? nullptr : buildExtraOptions(),
                       facts_);
    if (!filled_ || before.facts.alsoApplies != host_.facts.alsoApplies ||
        before.facts.unresolved != host_.facts.unresolved)
        replaceSection(alsoApplies_,
                       host_.facts.alsoApplies.empty() && host_.facts.unresolved.empty()
                           ? nullptr
                           : buildAlsoApplies(),
                       extraOptions_ ? extraOptions_ : facts_);
    filled_ = true;
    verticalScrollBar()->setValue(0);
}

void HostDetailView::replaceSection(QWidget*& section, QWidget* next, QWidget* after) {
    delete section;
    section = next;
    if (!next)
        return;
    const int at = column()->indexOf(after) + 1;
    column()->insertWidget(at, next);
    // Read in the order shown.
    if (QWidget* below = column()->itemAt(at + 1)->widget())
        next->stackUnder(below);
}

void HostDetailView::addSection(QWidget* section) {
    // Before the stretch that closes the column.
    column()->insertWidget(column()->count() - 1, section);
}

QWidget* HostDetailView::buildHeader() {
    auto* header = new QWidget;
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->addWidget(new IconTile(QStringLiteral("server.rack"), IconTile::headerLook));
    layout->addLayout(buildTitles(), 1);
    layout->addLayout(buildActions());
    return header;
}

// The alias (with the badge of a host from the ssh config) over the host name.
QLayout* HostDetailView::buildTitles() {
    title_ = new ElidedLabel(QString(), TypeRamp::font(TypeRamp::Style::title2, QFont::Bold),
                             [] { return Colors::primary(); });
    title_->setObjectName(QStringLiteral("hostAliasLabel"));
    title_->setAccessibleName(tr("Alias"));
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    titleLine_ = new QHBoxLayout;
    titleLine_->setSpacing(8);
    titleLine_->addWidget(title_);
    titleLine_->addStretch();

    hostname_ = new ElidedLabel(QString(), TypeRamp::font(TypeRamp::Style::callout), secondary());
    hostname_->setObjectName(QStringLiteral("hostHostnameLabel"));
    hostname_->setAccessibleName(tr("Host name"));
    hostname_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    titles->addLayout(titleLine_);
    titles->addWidget(hostname_);
    return titles;
}

void HostDetailView::setBadge(bool shown) {
    if (!shown) {
        delete badge_;
        badge_ = nullptr;
        return;
    }
    if (badge_)
        return;
    badge_ = new BadgeLabel(tr("ssh config"), BadgeLabel::neutralLook());
    badge_->setObjectName(QStringLiteral("sshConfigBadge"));
    badge_->setFont(TypeRamp::font(TypeRamp::Style::caption2));
    titleLine_->insertWidget(1, badge_);
    // Read after the alias, as it is shown.
    badge_->stackUnder(hostname_);
}

// Connect, Edit and Delete.
QLayout* HostDetailView::buildActions() {
    auto* connectButton = new QPushButton(Symbols::icon(QStringLiteral("terminal")), tr("Connect"));
    connectButton->setObjectName(QStringLiteral("connectHostButton"));
    connectButton->setAccessibleName(tr("Connect in a terminal"));
    connectButton->setToolTip(
        Shortcuts::tip(tr("Connect in a terminal"), Shortcuts::connectToHost()));
    connect(connectButton, &QPushButton::clicked, this, &HostDetailView::connectRequested);

    auto* edit = new QPushButton(Symbols::icon(QStringLiteral("pencil")), tr("Edit"));
    edit->setObjectName(QStringLiteral("editHostButton"));
    edit->setAccessibleName(tr("Edit host"));
    edit->setToolTip(tr("Edit host (Ctrl+E)"));
    connect(edit, &QPushButton::clicked, this, [this] { onEdit_(); });

    auto* remove = new QPushButton(Symbols::icon(QStringLiteral("trash"), Colors::destructive()),
                                   tr("Delete"));
    remove->setObjectName(QStringLiteral("deleteHostButton"));
    remove->setAccessibleName(tr("Delete host"));
    remove->setToolTip(tr("Delete host (Delete)"));
    QPalette destructive = remove->palette();
    destructive.setColor(QPalette::ButtonText, Colors::destructive());
    remove->setPalette(destructive);
    connect(remove, &QPushButton::clicked, this, [this] { onDelete_(); });

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (QPushButton* button : {connectButton, edit, remove}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    return buttons;
}

QWidget* HostDetailView::buildCommandCard() {
    auto* head = new QHBoxLayout;
    head->setContentsMargins(14, 10, 14, 10);
    head->setSpacing(5);
    head->addWidget(new SymbolLabel(QStringLiteral("terminal"),
                                    TypeRamp::pixelSize(TypeRamp::Style::caption2), secondary()));
    head->addWidget(new TintedLabel(tr("CONNECTION COMMAND"),
                                    headingFont(TypeRamp::Style::caption2), secondary()));
    head->addStretch();
    auto* install = new QToolButton;
    install->setObjectName(QStringLiteral("installKeyOnHostButton"));
    install->setText(tr("Install Key…"));
    install->setAccessibleName(tr("Install a public key on this host"));
    install->setToolTip(tr("Install a public key on this host with ssh-copy-id"));
    install->setIcon(Symbols::icon(QStringLiteral("key.fill"), Colors::secondary()));
    install->setAutoRaise(true);
    install->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    install->setFont(TypeRamp::font(TypeRamp::Style::caption));
    install->setFocusPolicy(Qt::StrongFocus);
    connect(install, &QToolButton::clicked, this, &HostDetailView::installKeyRequested);
    head->addWidget(install);
    copyButton_ = new CopyButton(CopyButton::Look::borderless);
    copyButton_->setObjectName(QStringLiteral("copyCommandButton"));
    copyButton_->setFont(TypeRamp::font(TypeRamp::Style::caption));
    copyButton_->setToolTip(tr("Copy the command (Ctrl+Shift+C)"));
    copyButton_->setSymbolColor(Colors::secondary());
    copyButton_->setIdleAccessibleName(tr("Copy connection command"));
    head->addWidget(copyButton_);

    command_ = new CommandText;
    command_->setAccessibleName(tr("Connection command"));

    auto* card = new CardFrame;
    card->setObjectName(QStringLiteral("commandCard"));
    auto* layout = new QVBoxLayout(card);
    // One pixel inside, so the card's edge stays visible around the text.
    layout->setContentsMargins(1, 0, 1, 1);
    layout->setSpacing(0);
    layout->addLayout(head);
    layout->addWidget(new Divider);
    layout->addWidget(command_);
    return card;
}

// std::map orders its keys by byte, which for UTF-8 is code-point order.
QWidget* HostDetailView::buildExtraOptions() {
    auto* card = new CardFrame;
    card->setObjectName(QStringLiteral("extraOptionsCard"));
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(1, 0, 1, 0);
    cardLayout->setSpacing(0);
    std::size_t index = 0;
    for (const auto& [key, value] : host_.extraOptions) {
        auto* name = new TintedLabel(text(key),
                                     TypeRamp::monospaced(TypeRamp::Style::caption, QFont::Medium),
                                     [] { return Colors::primary(); });
        name->setObjectName(QStringLiteral("extraOptionName"));
        auto* shown = new TintedLabel(text(value), TypeRamp::monospaced(TypeRamp::Style::caption),
                                      secondary());
        shown->setObjectName(QStringLiteral("extraOptionValue"));
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        shown->setWordWrap(true);
        addCardRow(cardLayout, name, shown);
        if (++index < host_.extraOptions.size())
            cardLayout->addWidget(new Divider);
    }

    return captionedSection(tr("EXTRA OPTIONS"), card);
}

// The wildcard and Match blocks OpenSSH applies to the host too, and the
// conditions that could not be judged without running something.
QWidget* HostDetailView::buildAlsoApplies() {
    auto* card = new CardFrame;
    card->setObjectName(QStringLiteral("alsoAppliesCard"));
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(1, 0, 1, 0);
    cardLayout->setSpacing(0);
    auto addRow = [&](const ConfigCondition& condition, const QString& note) {
        if (cardLayout->count() > 0)
            cardLayout->addWidget(new Divider);
        auto* header = new TintedLabel(
            text(condition.text), TypeRamp::monospaced(TypeRamp::Style::caption, QFont::Medium),
            [] { return Colors::primary(); });
        header->setObjectName(QStringLiteral("alsoAppliesBlock"));
        header->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* where = new TintedLabel(note.isEmpty() ? ShownPlace::line(condition.place)
                                                     : ShownPlace::line(condition.place) +
                                                           QStringLiteral(" · ") + note,
                                      TypeRamp::font(TypeRamp::Style::caption), secondary());
        where->setWordWrap(true);
        addCardRow(cardLayout, header, where);
    };
    for (const auto& condition : host_.facts.alsoApplies)
        addRow(condition, {});
    for (const auto& condition : host_.facts.unresolved)
        addRow(condition, tr("not judged: it would run something; counted as not matching"));

    return captionedSection(tr("ALSO APPLIES"), card);
}

void HostDetailView::copyCommand() {
    copyButton_->copy();
}

} // namespace moorkeep
