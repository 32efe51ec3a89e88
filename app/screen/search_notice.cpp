#include "search_notice.h"

#include "style/colors.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

namespace moorkeep::SearchNotice {

namespace {

constexpr int longestQuoted = 24;

} // namespace

QLabel* make() {
    auto* notice = new TintedLabel(QString(), TypeRamp::font(TypeRamp::Style::callout),
                                   [] { return Colors::secondary(); });
    notice->setObjectName(QStringLiteral("noMatchLabel"));
    notice->setTextFormat(Qt::PlainText);
    notice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    notice->setWordWrap(true);
    notice->setContentsMargins(12, 24, 12, 12);
    notice->hide();
    return notice;
}

void update(QLabel* notice, QAbstractItemView* list, const QString& search, const QString& text) {
    const bool noMatch = !search.isEmpty() && list->model()->rowCount() == 0;
    notice->setText(noMatch ? text : QString());
    notice->setAccessibleName(notice->text());
    notice->setVisible(noMatch);
    list->setVisible(!noMatch);
}

QString quoted(const QString& search) {
    const QString shown =
        search.size() > longestQuoted ? search.left(longestQuoted - 1) + u'\u2026' : search;
    return QStringLiteral("\u201c%1\u201d").arg(shown);
}

bool clearOnEscape(QLineEdit* field, QEvent* event) {
    if (event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape || field->text().isEmpty())
        return false;
    field->clear();
    return true;
}

bool leavesDeleteToWindow(const QLineEdit* field, QEvent* event) {
    return event->type() == QEvent::ShortcutOverride &&
           static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::Key_Delete) &&
           field->text().isEmpty();
}

} // namespace moorkeep::SearchNotice
