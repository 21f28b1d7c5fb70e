#pragma once

#include "db/ConnectionChoice.h"
#include "monitoring/AlarmSetting.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace tovik {

// One `run` as the command line asks for it.
struct CheckOptions
{
    // The fields with the password, and the login timeout.
    ConnectionChoice connection;
    AlarmSetting alarm;
    QDateTime referenceTime;
    // "-" is standard output; nothing: no run log is written.
    std::optional<QString> runLogPath;
    // Caught devices from which the check warns; nothing: it never warns.
    std::optional<int> warning;
    int critical = 1;
    int timeoutSeconds = 60;

    bool runLogToStdout() const { return runLogPath == QStringLiteral("-"); }
};

} // namespace tovik
