#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

namespace tovik::test {

// One tovik-cpu-check process and what it left.
struct CheckRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The installed program with arguments; without an environment, the test's own without
// TOVIK_PASSWORD.
CheckRun runCheck(const QStringList &arguments, const QProcessEnvironment &environment = {});
QProcessEnvironment withPassword(const QString &value);
// Standard output, trimmed: the status line of a run.
QString statusLine(const CheckRun &run);
// Standard error, trimmed: the UNKNOWN line of a sweep, whose standard output is data.
QString errorLine(const CheckRun &run);
// A file's bytes, or "<no file>".
QByteArray fileBytes(const QString &path);

} // namespace tovik::test
