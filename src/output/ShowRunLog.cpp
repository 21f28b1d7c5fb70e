#include "output/ShowRunLog.h"

#include "host/RunHost.h"
#include "output/Pause.h"
#include "output/PrivateFile.h"
#include "output/RunLog.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace tovik {

namespace {

// Where an installed program runs from: the install prefix's bin directory and the Debian
// package's. Only the package's own files may lie there, even where root could write.
bool isInstalledProgramDirectory(const QString &dir)
{
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    const QStringList installed {
        QStringLiteral(TOVIK_INSTALL_BINDIR), QStringLiteral(TOVIK_PACKAGE_BINDIR)};
    return !canonical.isEmpty()
        && std::ranges::any_of(installed, [&canonical](const QString &installedDir) {
               return QFileInfo(installedDir).canonicalFilePath() == canonical;
           });
}

QString userRunLogPath(QString *reason)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (dir.isEmpty()) {
        *reason = QStringLiteral("the system names no per-user data directory");
        return {};
    }
    // A directory that could not be made still names the path in the warning.
    makePrivateDirectory(dir, reason);
    return QDir(dir).filePath(QLatin1String(RunLogFileName));
}

QString writeRunLog(RunHost &host, const FileBytes &bytes)
{
    const QString besideProgram = QDir(host.appPath()).filePath(QLatin1String(RunLogFileName));
    QString programReason;
    if (isInstalledProgramDirectory(host.appPath()))
        programReason = QStringLiteral("the program is installed there");
    else if (writePrivateFile(besideProgram, bytes, &programReason))
        return besideProgram;

    QString userReason;
    const QString userPath = userRunLogPath(&userReason);
    if (!userPath.isEmpty() && userReason.isEmpty()
        && writePrivateFile(userPath, bytes, &userReason))
        return userPath;

    host.showWarning(QStringLiteral("The run log could not be written to %1 (%2) nor to %3 (%4).")
                         .arg(QDir::toNativeSeparators(besideProgram), programReason,
                             userPath.isEmpty() ? QStringLiteral("a per-user directory")
                                                : QDir::toNativeSeparators(userPath),
                             userReason));
    return {};
}

bool isFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

// Writes the file, waits until it can be seen and opens it in the viewer.
QString showFile(RunHost &host, const FileBytes &bytes)
{
    const QString path = writeRunLog(host, bytes);
    if (path.isEmpty())
        return {};

    const QDateTime deadline = host.currentDateTime().addSecs(5);
    do {
        Pause(host, 200);
    } while (!isFile(path) && host.currentDateTime() <= deadline);
    Pause(host, 500);

    if (isFile(path))
        host.openInViewer(path);
    return path;
}

} // namespace

QString ShowRunLog(RunHost &host, const RunLog &log, const QString &closingText)
{
    const QByteArray ending = runLogEnding(closingText);
    return showFile(host, {log.bytes(), ending});
}

QByteArray runLogEnding(const QString &closingText)
{
    return (closingText + RunLog::crlf).toLocal8Bit();
}

} // namespace tovik
