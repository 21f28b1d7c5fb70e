#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <optional>

namespace tovik {

// One `run` as the command line asks for it.
struct CheckOptions
{
    // The window's control texts, by control name, as the run reads them.
    QHash<QString, QString> controlTexts;
    QDateTime referenceTime;
    QString passwordFile;
    // "-" is standard output; nothing: no run log is written.
    std::optional<QString> runLogPath;
    // Caught devices from which the check warns; nothing: it never warns.
    std::optional<int> warning;
    int critical = 1;
    int timeoutSeconds = 60;

    bool runLogToStdout() const { return runLogPath == QStringLiteral("-"); }
};

} // namespace tovik
