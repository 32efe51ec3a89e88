#include "keys/used_by_table.h"

#include "style/colors.h"
#include "style/type_ramp.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace moorkeep {

namespace {

constexpr int horizontalPadding = 14;
constexpr int verticalPadding = 8;

class UsedByModel : public QAbstractTableModel {
public:
    UsedByModel(std::vector<SSHHost> hosts, QObject* parent)
        : QAbstractTableModel(parent)
        , hosts_(std::move(hosts)) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(hosts_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const SSHHost& host = hosts_[std::size_t(index.row())];
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QString::fromStdString(index.column() == 0   ? host.alias
                                          : index.column() == 1 ? host.hostname
                                                                : host.user);
        case Qt::FontRole:
            return TypeRamp::font(TypeRamp::Style::callout,
                                  index.column() == 0 ? QFont::Bold : QFont::Normal);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const char* const titles[] = {"ALIAS", "HOSTNAME", "USER"};
        return UsedByTable::tr(titles[section]);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    std::vector<SSHHost> hosts_;
};

// Left-aligned text with the row padding, and the divider under every row
// but the last.
class UsedByDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const QRect cell = option.rect;
        if (option.state & QStyle::State_HasFocus)
            painter->fillRect(cell, Colors::withOpacity(Colors::accent(), 0.12));
        painter->setFont(index.data(Qt::FontRole).value<QFont>());
        painter->setPen(index.column() == 0 ? Colors::primary() : Colors::secondary());
        const QRect text = cell.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                          painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideRight,
                                                            text.width()));
        if (index.row() + 1 < index.model()->rowCount()) {
            painter->setPen(Colors::withOpacity(Colors::secondary(), 0.2));
            painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {80, QFontMetrics(TypeRamp::font(TypeRamp::Style::callout, QFont::Bold)).height() +
                        2 * verticalPadding};
    }
};

QString rgba(const QColor& color) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF());
}

} // namespace

UsedByTable::UsedByTable(std::vector<SSHHost> hosts, QWidget* parent)
    : QTableView(parent) {
    setObjectName(QStringLiteral("usedByTableView"));
    setAccessibleName(tr("Hosts using this key"));
    setModel(new UsedByModel(std::move(hosts), this));
    setItemDelegate(new UsedByDelegate(this));
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    viewport()->setAutoFillBackground(false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(
        UsedByDelegate(nullptr).sizeHint(QStyleOptionViewItem(), QModelIndex()).height());

    auto* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setFont(TypeRamp::font(TypeRamp::Style::caption2, QFont::DemiBold));
    header->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: %1; color: %2; border: none;"
                       " border-bottom: 1px solid %3; padding: 6px %4px; }")
            .arg(rgba(Colors::withOpacity(Colors::windowBackground(), 0.6)),
                 rgba(Colors::secondary()), rgba(Colors::withOpacity(Colors::secondary(), 0.2)))
            .arg(horizontalPadding));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize UsedByTable::sizeHint() const {
    const int rows = model()->rowCount();
    const int height =
        horizontalHeader()->sizeHint().height() + rows * verticalHeader()->defaultSectionSize();
    return {300, height};
}

QSize UsedByTable::minimumSizeHint() const {
    return sizeHint();
}

} // namespace moorkeep
