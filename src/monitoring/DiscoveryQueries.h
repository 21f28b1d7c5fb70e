#pragma once

#include <QString>

namespace tovik {

// The catalog queries that find the CPU reports and where their samples are, shared by the test
// run and the sweep so that both look in the same places.
inline const QString kCpuReportQuery = QStringLiteral(
    "SELECT report_id, report_name, table_name, pollint FROM ATR_Reports WHERE table_name = "
    "'CRATR-MIB|CRCpuEntry'");
inline const QString kTableQuery = QStringLiteral("SELECT name from sys.tables");
inline const QString kDatabaseQuery = QStringLiteral("SELECT name from sys.databases");

} // namespace tovik
