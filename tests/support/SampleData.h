#pragma once

#include <QString>
#include <QStringList>

namespace tovik::test {

// Writes DIR/<name>.sqlite by running SQL statements (DDL and INSERTs) with SQLite; returns false
// and sets *error on failure. An existing file of that name is replaced, never changed in place.
bool createDatabase(const QString &dir, const QString &name, const QStringList &statements,
    QString *error = nullptr);
// Runs `tovik-sample-server generate --data DIR <args>`; true on exit code 0.
bool generateSampleData(const QString &dir, const QStringList &args, QString *error = nullptr);

} // namespace tovik::test
