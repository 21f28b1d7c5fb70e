#pragma once

#include <QList>
#include <QVariant>

namespace tovik {

// A result read to its end: rows of column values by position.
using QueryRow = QList<QVariant>;
using QueryRows = QList<QueryRow>;

// The value at a column position; an invalid QVariant, read like a NULL, where the row is shorter.
inline QVariant column(const QueryRow &row, int position)
{
    return position < row.size() ? row.at(position) : QVariant();
}

} // namespace tovik
