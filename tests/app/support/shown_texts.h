#pragma once

#include <QAbstractItemModel>
#include <QLabel>
#include <QStringList>

namespace moorkeep::test {

// The texts of the parent's children of that name, in their order.
template <typename T = QLabel> QStringList texts(const QObject* parent, const QString& name) {
    QStringList shown;
    for (const T* child : parent->findChildren<T*>(name))
        shown << child->text();
    return shown;
}

// The first column of every row, as displayed.
inline QStringList rows(const QAbstractItemModel* model) {
    QStringList shown;
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, 0).data().toString();
    return shown;
}

inline QStringList strings(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

} // namespace moorkeep::test
