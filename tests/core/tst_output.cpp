#include "RecordingHost.h"
#include "output/Pause.h"
#include "output/RunLog.h"
#include "output/ShowRunLog.h"

#include <QtTest>

using namespace tovik;
using tovik::test::RecordingHost;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A path nothing can be created under, even for root: its parent is a regular file.
QString unwritableDir(const QTemporaryDir &dir)
{
    const QString blocker = dir.filePath("not-a-directory");
    QFile file(blocker);
    if (file.open(QIODevice::WriteOnly))
        file.write("x");
    return blocker + "/app";
}

// Shows a run log that holds just this text.
QString showText(RecordingHost &host, const QString &text)
{
    RunLog log;
    log.append(text);
    return ShowRunLog(host, log);
}

} // namespace

class tst_Output : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pauseCycles_data();
    void pauseCycles();
    void runLogFileBytes_data();
    void runLogFileBytes();
    void runLogPiecesAsWholeText_data();
    void runLogPiecesAsWholeText();
    void runLogBytesReadAgainShared_data();
    void runLogBytesReadAgainShared();
    void shorterTextReplacesFile();
    void waitsBeforeOpening();
    void fallsBackToUserDirectory();
    void warnsWhenNothingCanBeWritten();

private:
    QTemporaryDir m_userData;
};

void tst_Output::init()
{
    QVERIFY(m_userData.isValid());
    qputenv("XDG_DATA_HOME", m_userData.path().toLocal8Bit());
}

void tst_Output::pauseCycles_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<int>("cycles");

    QTest::newRow("0") << 0 << 0;
    QTest::newRow("9") << 9 << 0;
    QTest::newRow("10") << 10 << 1;
    QTest::newRow("15") << 15 << 1;
    QTest::newRow("19") << 19 << 1;
    QTest::newRow("200") << 200 << 20;
    QTest::newRow("500") << 500 << 50;
    QTest::newRow("-15") << -15 << 0;
    QTest::newRow("-32768") << -32768 << 0;
}

void tst_Output::pauseCycles()
{
    QFETCH(int, milliseconds);
    QFETCH(int, cycles);

    RecordingHost host;
    // Not const: the caller's variable is only read, so a Pause that took it by reference
    // and counted it down would show here.
    qint16 duration = qint16(milliseconds);
    QElapsedTimer timer;
    timer.start();
    Pause(host, duration);
    QCOMPARE(host.processEventsCalls, cycles);
    QCOMPARE(duration, qint16(milliseconds));
    // Every cycle sleeps before it lets events through.
    QVERIFY(timer.elapsed() >= cycles * 10);
}

void tst_Output::runLogFileBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << "" << QByteArray("\r\n");
    QTest::newRow("line without end") << "Time = 5 ms" << QByteArray("Time = 5 ms\r\n");
    QTest::newRow("ending CR LF gives an empty line") << "a\tb\r\n" << QByteArray("a\tb\r\n\r\n");
    QTest::newRow("lines kept") << "x\r\n\r\ny" << QByteArray("x\r\n\r\ny\r\n");
}

void tst_Output::runLogFileBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    QTemporaryDir appDir;
    RecordingHost host;
    host.setAppPath(appDir.path());
    const QString written = showText(host, text);
    const QString expectedPath = appDir.filePath("ZU-TestCpuLoad.txt");
    QCOMPARE(written, expectedPath);
    QCOMPARE(readFile(expectedPath), bytes);
    QCOMPARE(host.viewerPaths, QStringList {expectedPath});
    QVERIFY(host.warnings.isEmpty());

    // The same text again gives the same bytes.
    showText(host, text);
    QCOMPARE(readFile(expectedPath), bytes);
}

void tst_Output::runLogPiecesAsWholeText_data()
{
    QTest::addColumn<QStringList>("pieces");

    const QString pair = QString::fromUtf8("\U0001F600");
    // The log converts its text a piece at a time once some 32,000 characters have gathered.
    const QString nearlyFull(32 * 1024 - 1, u'x');
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("ASCII") << QStringList({"SELECT 1", "\r\n", "\t"});
    QTest::newRow("non-ASCII") << QStringList({QString::fromUtf8("\u00C4\u20AC\u4E2D"), "x"});
    QTest::newRow("pair split where a piece is converted")
        << QStringList({nearlyFull + pair.at(0), pair.at(1) + QString("y")});
    QTest::newRow("pair right after a converted piece") << QStringList({nearlyFull + "z", pair});
    QTest::newRow("one piece longer than the gathering")
        << QStringList({QString(100000, QChar(0x00E9)), "end"});
    QTest::newRow("many pairs") << QStringList(20000, pair);
}

// However the text arrives, the file holds what one conversion of the whole text gives, followed
// by the closing text.
void tst_Output::runLogPiecesAsWholeText()
{
    QFETCH(QStringList, pieces);

    RunLog log;
    for (const QString &piece : pieces)
        log.append(piece);
    log.appendLine("last");
    const QString whole = pieces.join(QString()) + "last\r\n";
    QCOMPARE(log.bytes(), whole.toLocal8Bit());

    QTemporaryDir appDir;
    RecordingHost host;
    host.setAppPath(appDir.path());
    ShowRunLog(host, log, "\r\nclosing");
    QCOMPARE(
        readFile(appDir.filePath("ZU-TestCpuLoad.txt")), (whole + "\r\nclosing\r\n").toLocal8Bit());
    // Showing the log leaves it as it was.
    QCOMPARE(log.bytes(), whole.toLocal8Bit());
}

void tst_Output::runLogBytesReadAgainShared_data()
{
    runLogPiecesAsWholeText_data();
}

// The run hands its log's bytes to its outcome, then writes the file from them: reading them
// again must not copy tens of megabytes while the outcome holds the first read.
void tst_Output::runLogBytesReadAgainShared()
{
    QFETCH(QStringList, pieces);

    RunLog log;
    for (const QString &piece : pieces)
        log.append(piece);
    const QByteArray handedOver = log.bytes();
    const auto sameBytes = [&log, &handedOver] {
        return static_cast<const void *>(log.bytes().constData())
            == static_cast<const void *>(handedOver.constData());
    };
    QVERIFY(sameBytes());

    QTemporaryDir appDir;
    RecordingHost host;
    host.setAppPath(appDir.path());
    ShowRunLog(host, log);
    QVERIFY(sameBytes());
    QCOMPARE(readFile(appDir.filePath("ZU-TestCpuLoad.txt")), handedOver + "\r\n");
}

void tst_Output::shorterTextReplacesFile()
{
    QTemporaryDir appDir;
    RecordingHost host;
    host.setAppPath(appDir.path());
    showText(host, QString(5000, u'x'));
    showText(host, "short");
    QCOMPARE(readFile(appDir.filePath("ZU-TestCpuLoad.txt")), QByteArray("short\r\n"));
}

void tst_Output::waitsBeforeOpening()
{
    QTemporaryDir appDir;
    RecordingHost host;
    host.setAppPath(appDir.path());
    QElapsedTimer timer;
    timer.start();
    showText(host, "x");
    // One 200 ms wait finds the file, then 500 ms more: 20 + 50 cycles before the viewer.
    QCOMPARE(host.processEventsCalls, 70);
    QVERIFY(timer.elapsed() >= 700);
    QCOMPARE(host.viewerPaths.size(), 1);
}

void tst_Output::fallsBackToUserDirectory()
{
    QTemporaryDir scratch;
    RecordingHost host;
    host.setAppPath(unwritableDir(scratch));
    const QString written = showText(host, "run");
    QVERIFY2(written.startsWith(m_userData.path()), qPrintable(written));
    QVERIFY(written.endsWith("/ZU-TestCpuLoad.txt"));
    QCOMPARE(readFile(written), QByteArray("run\r\n"));
    QCOMPARE(host.viewerPaths, QStringList {written});
    QVERIFY(host.warnings.isEmpty());
}

void tst_Output::warnsWhenNothingCanBeWritten()
{
    QTemporaryDir scratch;
    const QString appPath = unwritableDir(scratch);
    qputenv("XDG_DATA_HOME", (scratch.filePath("not-a-directory") + "/data").toLocal8Bit());
    RecordingHost host;
    host.setAppPath(appPath);
    QCOMPARE(showText(host, "run"), QString());
    QVERIFY(host.viewerPaths.isEmpty());
    QCOMPARE(host.warnings.size(), 1);
    const QString warning = host.warnings.first();
    QVERIFY2(warning.contains(appPath + "/ZU-TestCpuLoad.txt"), qPrintable(warning));
    QVERIFY2(warning.contains(scratch.filePath("not-a-directory") + "/data"), qPrintable(warning));
    QCOMPARE(host.processEventsCalls, 0);
}

QTEST_GUILESS_MAIN(tst_Output)
#include "tst_output.moc"
