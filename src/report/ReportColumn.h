#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace tovik {

class SweepGrid;

// One column of a report's table of caught devices: its heading and the text of a device's cell.
struct ReportColumn
{
    using CellText = std::function<QString(const SweepGrid &grid, int device, qint16 occurrences)>;

    QString heading;
    // Numbers are set flush right.
    bool numeric = false;
    CellText text;

    // The table's columns, in order.
    static QList<ReportColumn> deviceColumns();
};

} // namespace tovik
