#include "output/ShowRunLog.h"

#include "host/RunHost.h"
#include "output/Pause.h"
#include "output/RunLog.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStandardPaths>

namespace tovik {

namespace {

// The file's content in pieces, written one after another.
using FileBytes = QList<QByteArrayView>;

bool writeFile(const QString &path, const FileBytes &bytes, QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *reason = file.errorString();
        return false;
    }
    for (const QByteArrayView piece : bytes) {
        if (file.write(piece.data(), piece.size()) != piece.size()) {
            *reason = file.errorString();
            return false;
        }
    }
    if (!file.flush()) {
        *reason = file.errorString();
        return false;
    }
    file.close();
    return true;
}

QString userRunLogPath(QString *reason)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (dir.isEmpty()) {
        *reason = QStringLiteral("the system names no per-user data directory");
        return {};
    }
    // A directory that could not be made still names the path in the warning.
    if (!QDir().mkpath(dir))
        *reason = QStringLiteral("the directory could not be created");
    return QDir(dir).filePath(QLatin1String(RunLogFileName));
}

QString writeRunLog(RunHost &host, const FileBytes &bytes)
{
    const QString besideProgram = QDir(host.appPath()).filePath(QLatin1String(RunLogFileName));
    QString programReason;
    if (writeFile(besideProgram, bytes, &programReason))
        return besideProgram;

    QString userReason;
    const QString userPath = userRunLogPath(&userReason);
    if (!userPath.isEmpty() && userReason.isEmpty() && writeFile(userPath, bytes, &userReason))
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
    const QByteArray ending = (closingText + RunLog::crlf).toLocal8Bit();
    return showFile(host, {log.bytes(), ending});
}

} // namespace tovik
