#include "SampleData.h"

#include "SampleServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstdio>
#include <sqlite3.h>

namespace tovik::test {

namespace {

constexpr int kGenerateTimeoutMs = 600000;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool execute(sqlite3 *handle, const QString &sql, QString *error)
{
    char *message = nullptr;
    if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    setError(error, QString::fromUtf8(message ? message : "unknown error") + " in: " + sql);
    sqlite3_free(message);
    return false;
}

bool writeStatements(const QString &path, const QStringList &statements, QString *error)
{
    sqlite3 *handle = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (sqlite3_open_v2(
            file.constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        setError(error, "cannot create " + path + ": " + QString::fromUtf8(sqlite3_errmsg(handle)));
        sqlite3_close(handle);
        return false;
    }
    // The file is renamed into place only when complete, so it needs neither a journal nor
    // syncing; statements run as given, and may bring their own BEGIN and COMMIT.
    bool ok = execute(handle, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", error);
    for (const QString &statement : statements) {
        if (ok)
            ok = execute(handle, statement, error);
    }
    if (ok && !sqlite3_get_autocommit(handle))
        ok = execute(handle, "COMMIT", error);
    sqlite3_close(handle);
    return ok;
}

} // namespace

bool createDatabase(
    const QString &dir, const QString &name, const QStringList &statements, QString *error)
{
    if (!QDir().mkpath(dir)) {
        setError(error, "cannot create the directory " + dir);
        return false;
    }
    // A running server keeps files open: a new file renamed into place replaces the old one
    // without touching what the server is reading.
    const QString path = QDir(dir).filePath(name + ".sqlite");
    const QString temporary = path + ".tmp";
    QFile::remove(temporary);
    if (!writeStatements(temporary, statements, error)) {
        QFile::remove(temporary);
        return false;
    }
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData())
        != 0) {
        setError(error, "cannot rename " + temporary + " to " + path);
        QFile::remove(temporary);
        return false;
    }
    return true;
}

bool generateSampleData(const QString &dir, const QStringList &args, QString *error)
{
    QProcess process;
    process.setProgram(sampleServerPath());
    process.setArguments(QStringList {"generate", "--data", dir} + args);
    process.start();
    if (!process.waitForFinished(kGenerateTimeoutMs)) {
        setError(error, "generate did not finish: " + process.errorString());
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        setError(error, QString::fromUtf8(process.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

} // namespace tovik::test
