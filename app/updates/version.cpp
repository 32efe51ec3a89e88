#include "version.h"

#include <QList>

namespace moorkeep::Version {

namespace {

// A part without its leading zeros, so that equal numbers are equal texts.
QStringView significant(QStringView part) {
    while (part.size() > 1 && part.front() == u'0')
        part = part.mid(1);
    return part;
}

// Compares decimal numbers of any length as texts: the longer is larger,
// texts of one length compare digit by digit.
std::strong_ordering compareParts(QStringView left, QStringView right) {
    left = significant(left);
    right = significant(right);
    if (left.size() != right.size())
        return left.size() <=> right.size();
    int order = left.compare(right);
    return order <=> 0;
}

} // namespace

bool isValid(QStringView version) {
    if (version.isEmpty())
        return false;
    for (QStringView part : version.split(u'.')) {
        if (part.isEmpty())
            return false;
        for (QChar c : part)
            if (c < u'0' || c > u'9')
                return false;
    }
    return true;
}

std::strong_ordering compare(QStringView left, QStringView right) {
    QList<QStringView> leftParts = left.split(u'.');
    QList<QStringView> rightParts = right.split(u'.');
    qsizetype count = std::max(leftParts.size(), rightParts.size());
    for (qsizetype i = 0; i < count; ++i) {
        QStringView l = i < leftParts.size() ? leftParts[i] : QStringView(u"0");
        QStringView r = i < rightParts.size() ? rightParts[i] : QStringView(u"0");
        if (auto order = compareParts(l, r); order != 0)
            return order;
    }
    return std::strong_ordering::equal;
}

} // namespace moorkeep::Version
