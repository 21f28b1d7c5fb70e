#include "SampleDataCache.h"

#include "SampleData.h"
#include "SampleServer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimeZone>
#include <cerrno>
#include <csignal>

namespace tovik::bench {

namespace {

const QString kWritingPrefix = QStringLiteral(".writing-");
const QString kArgumentsFile = QStringLiteral("arguments.txt");

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The pid in .writing-<pid>-XXXXXX; 0 when there is none.
qint64 writerOf(const QString &name)
{
    return name.mid(kWritingPrefix.size()).section(u'-', 0, 0).toLongLong();
}

} // namespace

SampleDataCache::SampleDataCache(QString root)
    : m_root(std::move(root))
{
}

QString SampleDataCache::defaultRoot()
{
    const QString cacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!cacheHome.isEmpty())
        return QDir(cacheHome).filePath(QStringLiteral("tovik-bench"));
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("sample-data"));
}

// The generator's code changes the rows as much as its arguments do, and the local time texts
// follow the time zone: a build of the server or a zone other than the data's writes anew.
QString SampleDataCache::keyOf(const QStringList &arguments) const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(arguments.join(u'\n').toUtf8());
    hash.addData(QByteArrayView("\nTZ="));
    hash.addData(qgetenv("TZ"));
    hash.addData(QTimeZone::systemTimeZoneId());
    QFile server(test::sampleServerPath());
    if (!server.open(QIODevice::ReadOnly) || !hash.addData(&server))
        return {};
    return QString::fromLatin1(hash.result().toHex().left(24));
}

void SampleDataCache::removeAbandoned() const
{
    const QDir root(m_root);
    const auto entries
        = root.entryList({kWritingPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        if (!processAlive(writerOf(name)))
            QDir(root.filePath(name)).removeRecursively();
    }
}

std::optional<SampleDataCache::Entry> SampleDataCache::data(
    const QStringList &arguments, QString *failure) const
{
    const QString key = keyOf(arguments);
    if (key.isEmpty()) {
        *failure = QStringLiteral("cannot read the sample server %1").arg(test::sampleServerPath());
        return std::nullopt;
    }
    const QString dir = QDir(m_root).filePath(key);
    if (QFileInfo::exists(dir))
        return Entry {dir, true};
    if (!QDir().mkpath(m_root)) {
        *failure = QStringLiteral("cannot create %1").arg(m_root);
        return std::nullopt;
    }
    removeAbandoned();
    QTemporaryDir writing(QDir(m_root).filePath(kWritingPrefix
        + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX")));
    if (!writing.isValid()) {
        *failure = writing.errorString();
        return std::nullopt;
    }
    if (!test::generateSampleData(writing.path(), arguments, failure))
        return std::nullopt;
    QFile description(writing.filePath(kArgumentsFile));
    if (!description.open(QIODevice::WriteOnly)
        || description.write(arguments.join(u' ').toUtf8() + '\n') < 0) {
        *failure = QStringLiteral("cannot write %1").arg(description.fileName());
        return std::nullopt;
    }
    description.close();
    // Another run may have finished the same data meanwhile: its directory serves as well.
    if (QDir().rename(writing.path(), dir)) {
        writing.setAutoRemove(false);
    } else if (!QFileInfo::exists(dir)) {
        *failure = QStringLiteral("cannot rename %1 to %2").arg(writing.path(), dir);
        return std::nullopt;
    }
    return Entry {dir, false};
}

std::optional<QString> SampleDataCache::dataDir(
    const QStringList &arguments, QString *failure) const
{
    QElapsedTimer clock;
    clock.start();
    const auto entry = data(arguments, failure);
    if (!entry)
        return std::nullopt;
    QTextStream note(stderr);
    if (entry->reused)
        note << "run_bench: sample data kept from an earlier run in " << entry->dir << Qt::endl;
    else
        note << "run_bench: sample data written in "
             << QString::number(clock.elapsed() / 1e3, 'f', 1) << " s, kept in " << entry->dir
             << Qt::endl;
    return entry->dir;
}

} // namespace tovik::bench
