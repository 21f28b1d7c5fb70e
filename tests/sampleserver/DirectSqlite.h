#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace tovik::test {

// Reads a SQLite file directly, beside the server, to know what a query must return.
class DirectSqlite
{
public:
    using Rows = QList<QVariantList>;

    static std::optional<Rows> rows(const QString &path, const QString &sql);
    // Every value as text (NULL as a null QString), for comparing across type systems.
    static QList<QStringList> texts(const Rows &rows);
};

} // namespace tovik::test
