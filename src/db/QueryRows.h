#pragma once

#include <QList>
#include <QVariant>

namespace tovik {

// A result read to its end: rows of column values by position.
using QueryRow = QList<QVariant>;
using QueryRows = QList<QueryRow>;

} // namespace tovik
