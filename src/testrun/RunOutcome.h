#pragma once

#include "monitoring/AlarmSetting.h"
#include "testrun/HourWindow.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tovik {

// How a run ended; the window learns it from its message boxes, other front-ends from here.
enum class RunEnding {
    NotEnabled,
    SettingsFailure,
    MainOpenFailure,
    QueryFailure,
    NoCpuReports,
    NormalEnd,
};

// A device of the summary: one line of "Devices caught by Threshold Conditions.".
struct CaughtDevice
{
    qint32 nodeId = 0;
    QString nodeName;
    qint16 count = 0;
    // A node counted in several reports is caught in each on its own.
    qint32 reportId = 0;
};

// What a run hands back to its front-end when it has ended.
struct RunOutcome
{
    RunEnding ending = RunEnding::NotEnabled;
    // The text of the ending's warning box; empty for a normal end.
    QString description;
    AlarmSetting alarm;
    HourWindow examinedHour;
    // Only when the run's settings ask for the list.
    QList<CaughtDevice> caught;
    // The looked-up devices: one per node and report with a sample at or over the threshold.
    int countedDevices = 0;
    qint64 durationMs = 0;
    // The run log's bytes and the ending that the file gets after them; logWritten is false for
    // the endings that write no log.
    bool logWritten = false;
    QByteArray logBytes;
    QByteArray logEnding;
};

} // namespace tovik
