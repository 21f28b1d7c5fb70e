#include "MonitoringFixture.h"
#include "SampleData.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QtTest>
#include <malloc.h>
#include <optional>

#if defined(__SANITIZE_ADDRESS__)
#define TOVIK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVIK_ASAN 1
#endif
#endif

using namespace tovik;
using namespace tovik::test;

namespace {

const QDateTime kReferenceTime(QDate(2026, 12, 7), QTime(14, 30, 0));
// Blocks this large are mapped on their own and unmapped when freed, so the resident size rises
// with each live large block and falls when it goes: what the run holds is what it adds.
constexpr int kOwnMappingBytes = 256 * 1024;
// The run's other state (node hits, a report's rows, the statement buffers) and the heap's own
// growth besides the log.
constexpr qint64 kOtherBytes = 3 * 1024 * 1024;

std::optional<qint64> statusBytes(const QByteArray &field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (!line.startsWith(field + ':'))
            continue;
        bool ok = false;
        const qint64 kib
            = line.mid(field.size() + 1).simplified().split(' ').value(0).toLongLong(&ok);
        if (ok)
            return kib * 1024;
    }
    return std::nullopt;
}

// Starts the peak resident size afresh from the current one.
bool resetPeak()
{
    QFile clearRefs("/proc/self/clear_refs");
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// Loads the driver manager, the driver and Qt's plugin for good, so that the measured run's
// peak is its own.
bool loadDriver(quint16 port)
{
    const QString name = "warm-up";
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", name);
        db.setDatabaseName(
            QString("DRIVER={FreeTDS};SERVER=127.0.0.1,%1;DATABASE=SNMPCONLINE;UID=sa;PWD=;"
                    "TDS_Version=7.4;")
                .arg(port));
        opened = db.open();
        if (!opened)
            qWarning("%s", qPrintable(db.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
    return opened;
}

} // namespace

// What a run holds at its peak, against the size of the log it writes.
class tst_RunMemory : public QObject
{
    Q_OBJECT

private slots:
    void peakFollowsRunLog();
};

void tst_RunMemory::peakFollowsRunLog()
{
#ifdef TOVIK_ASAN
    QSKIP("AddressSanitizer's allocator keeps freed blocks, so the resident size is not the run's");
#endif
    QVERIFY(mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes) == 1);

    MonitoringFixture fixture;
    QString error;
    QVERIFY2(generateSampleData(fixture.dataDir(),
                 {"--layout", "online", "--reports", "10", "--nodes", "2000", "--hours", "2",
                     "--seed", "1", "--end", kReferenceTime.toString("yyyy-MM-dd HH:mm:ss")},
                 &error),
        qPrintable(error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.host.setReferenceTime(kReferenceTime);
    fixture.host.setText(control::kTxtCpuLoadThreshold, "0");
    fixture.host.setText(control::kTxtCpuOverThreshold, "1");

    QVERIFY2(loadDriver(fixture.port()), "the warm-up connection failed");

    if (!resetPeak())
        QSKIP("this system does not let a process reset its peak resident size");
    const auto before = statusBytes("VmRSS");
    QVERIFY(before);
    const RunOutcome outcome = TestRunDriver(fixture.host).run();
    const auto peak = statusBytes("VmHWM");
    QVERIFY(peak);
    QVERIFY2(fixture.host.warnings.isEmpty(), qPrintable(fixture.host.warnings.join('\n')));
    QCOMPARE(outcome.ending, RunEnding::NormalEnd);

    const qint64 logBytes = QFileInfo(fixture.runLogPath()).size();
    const qint64 added = *peak - *before;
    qInfo("run log %lld bytes, peak %lld bytes beyond the process before the run", logBytes, added);
    QVERIFY(logBytes > 8 * 1024 * 1024);
    // The log is held once, plus a little: a second copy of it would pass logBytes * 2.
    QVERIFY2(added < logBytes * 5 / 4 + kOtherBytes,
        qPrintable(QString("%1 bytes held at the peak for a run log of %2 bytes")
                       .arg(added)
                       .arg(logBytes)));
}

QTEST_GUILESS_MAIN(tst_RunMemory)
#include "tst_runmemory.moc"
