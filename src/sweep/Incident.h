#pragma once

#include <QDateTime>
#include <QString>

namespace tovik {

// A time a device was known to be in trouble, as an incidents file lists it: what an alarm should
// have caught.
struct Incident
{
    // Wall-clock fields in Qt::UTC, like SweepRange's hours; end after start.
    QDateTime start;
    QDateTime end;
    // As written: a node name, an address or "report_id:node_id"; empty for any device.
    QString device;
    QString note;
    // Its line in the file, for messages.
    int line = 0;

    bool isAnyDevice() const { return device.isEmpty(); }

    friend bool operator==(const Incident &, const Incident &) = default;
};

} // namespace tovik
