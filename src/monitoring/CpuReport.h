#pragma once

#include <QList>
#include <QString>

namespace tovik {

// One row of the CPU report query. A report_id of 0 marks a report that takes no further part.
struct CpuReport
{
    qint32 report_id = 0;
    QString report_name;
    QString table_name;
    qint16 pollint = 0;
};

// Every report row of a run, in the order the server returned them.
using CpuReportList = QList<CpuReport>;

} // namespace tovik
