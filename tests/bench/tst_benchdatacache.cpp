#include "SampleDataCache.h"
#include "SampleServer.h"
#include "ZoneScope.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik::bench;
using tovik::test::ZoneScope;

namespace {

const QString kDatabase = QStringLiteral("SNMPCONLINE.sqlite");

QStringList arguments(int hours, const QString &layout = QStringLiteral("online"),
    const QString &end = QStringLiteral("2026-12-07 14:30:00"))
{
    return {"--layout", layout, "--reports", "2", "--nodes", "3", "--hours", QString::number(hours),
        "--seed", "1", "--end", end};
}

// When the data's main file was written, to the nanosecond the file system keeps.
QDateTime writtenAt(const QString &dir)
{
    return QFileInfo(QDir(dir).filePath(kDatabase)).lastModified();
}

QStringList entriesOf(const QString &root)
{
    return QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The pid of a process that has ended.
qint64 endedPid()
{
    QProcess process;
    process.start(tovik::test::sampleServerPath(), {QStringLiteral("--help")});
    const qint64 pid = process.waitForStarted() ? process.processId() : 0;
    process.waitForFinished();
    return pid;
}

} // namespace

class tst_BenchDataCache : public QObject
{
    Q_OBJECT

private slots:
    void keepsDataByWhatChangesIt_data();
    void keepsDataByWhatChangesIt();
    void failedDataIsNeverReused();
    void removesWhatEndedRunsLeftHalfWritten();
};

void tst_BenchDataCache::keepsDataByWhatChangesIt_data()
{
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QByteArray>("secondZone");
    QTest::addColumn<bool>("reused");
    const QByteArray zone = "UTC0";
    QTest::newRow("same arguments") << arguments(4) << zone << true;
    QTest::newRow("other hours") << arguments(5) << zone << false;
    QTest::newRow("other layout") << arguments(4, QStringLiteral("external")) << zone << false;
    QTest::newRow("other reference time")
        << arguments(4, QStringLiteral("online"), QStringLiteral("2026-12-07 15:30:00")) << zone
        << false;
    QTest::newRow("other time zone")
        << arguments(4) << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << false;
}

void tst_BenchDataCache::keepsDataByWhatChangesIt()
{
    QFETCH(QStringList, second);
    QFETCH(QByteArray, secondZone);
    QFETCH(bool, reused);
    QTemporaryDir root;
    const SampleDataCache cache(root.path());
    QString failure;
    std::optional<SampleDataCache::Entry> first;
    {
        const ZoneScope zone("UTC0");
        first = cache.data(arguments(4), &failure);
    }
    QVERIFY2(first, qPrintable(failure));
    QVERIFY(!first->reused);
    const QDateTime firstWritten = writtenAt(first->dir);
    QVERIFY(firstWritten.isValid());

    std::optional<SampleDataCache::Entry> again;
    {
        const ZoneScope zone(secondZone);
        again = cache.data(second, &failure);
    }
    QVERIFY2(again, qPrintable(failure));
    QCOMPARE(again->reused, reused);
    QCOMPARE(again->dir == first->dir, reused);
    QVERIFY(writtenAt(again->dir).isValid());
    // The first data stays as it was written, whether reused or beside the new one.
    QCOMPARE(writtenAt(first->dir), firstWritten);
    QCOMPARE(entriesOf(root.path()).size(), reused ? 1 : 2);
}

void tst_BenchDataCache::failedDataIsNeverReused()
{
    QTemporaryDir root;
    const SampleDataCache cache(root.path());
    const QStringList refused = arguments(4) << "--nodes"
                                             << "-1";
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString failure;
        QVERIFY(!cache.data(refused, &failure));
        QVERIFY(!failure.isEmpty());
        QCOMPARE(entriesOf(root.path()), QStringList());
    }
}

void tst_BenchDataCache::removesWhatEndedRunsLeftHalfWritten()
{
    QTemporaryDir root;
    const qint64 ended = endedPid();
    QVERIFY(ended > 0);
    const QString abandoned = QStringLiteral(".writing-%1-aaaaaa").arg(ended);
    const QString running
        = QStringLiteral(".writing-%1-bbbbbb").arg(QCoreApplication::applicationPid());
    for (const QString &name : {abandoned, running}) {
        QVERIFY(QDir(root.path()).mkpath(name + "/half"));
    }
    QString failure;
    const auto data = SampleDataCache(root.path()).data(arguments(4), &failure);
    QVERIFY2(data, qPrintable(failure));
    QCOMPARE(entriesOf(root.path()), QStringList({running, QFileInfo(data->dir).fileName()}));
}

QTEST_GUILESS_MAIN(tst_BenchDataCache)

#include "tst_benchdatacache.moc"
