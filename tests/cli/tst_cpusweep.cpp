#include "CheckProcess.h"
#include "FifoReader.h"
#include "FileModes.h"
#include "MonitoringFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <sys/stat.h>

using namespace tovik::test;

namespace {

const QString password = "S3cret-pw";
const QByteArray header = "hour,report_id,node_id,node_name,address,count,caught,samples\r\n";

// Report 7 in the monitoring database. From 13:00 to 15:00 at threshold 50: node 101 three
// samples in hour 13, node 102 (whose name needs quoting) one, node 103 (unknown to ATR_Nodes)
// two in hour 13 and one in hour 14; the samples at 12:59:59 and 15:00:00 lie outside.
QStringList installation(bool withReport)
{
    QStringList statements = reportTableStatements()
        << "CREATE TABLE ATR_Nodes (node_id INTEGER, node_name TEXT, address TEXT, trapcomm TEXT)"
        << "INSERT INTO ATR_Nodes VALUES (101, 'core-rtr-01', '192.0.2.1', 'public')"
        << "INSERT INTO ATR_Nodes VALUES (102, 'core, \"west\"', '192.0.2.2', 'public')";
    if (!withReport)
        return statements;
    statements << cpuReportRow("7", "'CPU Core Routers'", "300")
               << sampleTableStatement("ATR_Report_7_RAW");
    for (const char *row : {"101, '2026-12-07 12:59:59', 99", "101, '2026-12-07 13:05:00', 60",
             "101, '2026-12-07 13:10:00', 70", "101, '2026-12-07 13:15:00', 80",
             "102, '2026-12-07 13:20:00', 50", "103, '2026-12-07 13:25:00', 90",
             "103, '2026-12-07 13:30:00', 95", "103, '2026-12-07 14:00:00', 99",
             "101, '2026-12-07 15:00:00', 99"})
        statements << QString("INSERT INTO ATR_Report_7_RAW VALUES (%1)").arg(row);
    return statements;
}

bool serve(MonitoringFixture &fixture, bool withReport = true)
{
    SampleServer::Options options;
    options.logins = {"sa:" + password};
    return fixture.addDatabase("SNMPCONLINE", installation(withReport))
        && fixture.startServer(options);
}

QStringList sweepArguments(const MonitoringFixture &fixture, const QStringList &more)
{
    return QStringList {"sweep", "--auth", "remote", "--server", "127.0.0.1", "--port",
               QString::number(fixture.port())}
    + more;
}

const QStringList hours13And14 {"--from", "2026-12-07 13:00:00", "--to", "2026-12-07 15:00:00"};

CheckRun sweep(const MonitoringFixture &fixture, const QStringList &more)
{
    return runCheck(sweepArguments(fixture, more), withPassword(password));
}

} // namespace

class tst_CpuSweep : public QObject
{
    Q_OBJECT

private slots:
    void csvOfHandCheckedData_data();
    void csvOfHandCheckedData();
    void jsonAndTable();
    void terminalGetsTableAndProgress();
    void outputFileKeptOnFailure();
    void outputIntoPipeOrDevice_data();
    void outputIntoPipeOrDevice();
    void badArguments_data();
    void badArguments();
    void outputRefusedBeforeQuery_data();
    void outputRefusedBeforeQuery();
    void timeoutEndsStalledSweep();
    void ignoredPortNoticed_data();
    void ignoredPortNoticed();
    void failureEndings_data();
    void failureEndings();
};

void tst_CpuSweep::csvOfHandCheckedData_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("from/to, threshold 50, twice") << (hours13And14
        + QStringList {"--threshold", "50", "--occurrences", "2", "--monitoring", "0-24"})
                                                  << header
            + "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,3,true,3\r\n"
              "2026-12-07 13:00:00,7,102,\"core, \"\"west\"\"\",192.0.2.2,1,false,1\r\n"
              "2026-12-07 13:00:00,7,103,,,2,true,2\r\n"
              "2026-12-07 14:00:00,7,103,,,1,false,1\r\n"
                                                  << QByteArray();
    // Node 101's three samples of hour 13 are the most of any device-hour.
    QTest::newRow("more occurrences than samples in an hour: the csv as it is, a word why")
        << (hours13And14
               + QStringList {"--threshold", "50", "--occurrences", "4", "--monitoring", "0-24"})
        << header
            + "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,3,false,3\r\n"
              "2026-12-07 13:00:00,7,102,\"core, \"\"west\"\"\",192.0.2.2,1,false,1\r\n"
              "2026-12-07 13:00:00,7,103,,,2,false,2\r\n"
              "2026-12-07 14:00:00,7,103,,,1,false,1\r\n"
        << QByteArray("occurrences 4 never fires: at most 3 samples in an hour\n");
    QTest::newRow("as many occurrences as samples in an hour can fire") << (hours13And14
        + QStringList {"--threshold", "60", "--occurrences", "3", "--monitoring", "0-24"})
                                                                        << header
            + "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,3,true,3\r\n"
              "2026-12-07 13:00:00,7,103,,,2,false,2\r\n"
              "2026-12-07 14:00:00,7,103,,,1,false,1\r\n" << QByteArray();
    QTest::newRow("threshold 70, once") << (hours13And14
        + QStringList {"--threshold", "70", "--occurrences", "1", "--monitoring", "0-24"})
                                        << header
            + "2026-12-07 13:00:00,7,101,core-rtr-01,192.0.2.1,2,true,3\r\n"
              "2026-12-07 13:00:00,7,103,,,2,true,2\r\n"
              "2026-12-07 14:00:00,7,103,,,1,true,1\r\n"
                                        << QByteArray();
    QTest::newRow("hour 13 outside the monitoring time")
        << (hours13And14
               + QStringList {"--threshold", "50", "--occurrences", "2", "--monitoring", "14-24"})
        << header + "2026-12-07 14:00:00,7,103,,,1,false,1\r\n"
        << QByteArray("occurrences 2 never fires: at most 1 sample in an hour\n");
    QTest::newRow("last 2 hours before --at") << QStringList {"--last", "2", "--at",
        "2026-12-07 15:20:05", "--threshold", "90", "--monitoring", "0-24"}
                                              << header
            + "2026-12-07 13:00:00,7,103,,,2,true,2\r\n"
              "2026-12-07 14:00:00,7,103,,,1,true,1\r\n"
                                              << QByteArray();
}

// Standard output is no terminal here: csv by default, and no progress on standard error.
void tst_CpuSweep::csvOfHandCheckedData()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, err);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));

    const CheckRun run = sweep(fixture, arguments);

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, csv);
    QCOMPARE(run.err, err);
}

void tst_CpuSweep::jsonAndTable()
{
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QStringList alarm {"--threshold", "50", "--occurrences", "2", "--monitoring", "14-24"};

    const CheckRun json = sweep(fixture, hours13And14 + alarm + QStringList {"--format", "json"});
    QCOMPARE(json.exitCode, 0);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(json.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root["settings"]["threshold"].toInt(), 50);
    const QJsonArray hours = root["hours"].toArray();
    QCOMPARE(hours.size(), 2);
    QCOMPARE(hours[0]["monitored"].toBool(true), false);
    QCOMPARE(hours[1]["hour"].toString(), QString("2026-12-07 14:00:00"));
    QCOMPARE(hours[1]["caught"].toArray().size(), 0);
    QCOMPARE(root["rows"].toArray().size(), 1);

    const CheckRun table = sweep(fixture,
        hours13And14
            + QStringList {"--threshold", "50", "--occurrences", "2", "--format", "table",
                "--monitoring", "0-24"});
    QCOMPARE(table.exitCode, 0);
    const QString text = QString::fromUtf8(table.out);
    QVERIFY2(text.contains("2026-12-07 13:00:00  2\n"), qPrintable(text));
    QVERIFY2(text.contains("2026-12-07 14:00:00  0\n"), qPrintable(text));
    QVERIFY2(text.contains("caught devices: 2\n"), qPrintable(text));
    QVERIFY2(text.contains("report 7  node 101  core-rtr-01  192.0.2.1  1 hours\n"
                           "  12-07 13:00-14:00\n"),
        qPrintable(text));
    QVERIFY2(text.endsWith("\nalarms per day (caught device-hours)\n2026-12-07  2 (partial day, "
                           "13:00 to 15:00)\n"),
        qPrintable(text));
}

// With a terminal on both streams, as under script(1): a table, and the reports counted on it.
void tst_CpuSweep::terminalGetsTableAndProgress()
{
    const QString script = QStandardPaths::findExecutable("script");
    if (script.isEmpty())
        QSKIP("script(1) is needed for a terminal");
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    QStringList quoted {QString(TOVIK_CPU_CHECK)};
    for (const QString &argument : sweepArguments(fixture, hours13And14))
        quoted << "'" + argument + "'";
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TOVIK_PASSWORD", password);
    process.setProcessEnvironment(env);
    process.start(script, {"-qec", quoted.join(' '), "/dev/null"});
    QVERIFY(process.waitForFinished(60000));

    QCOMPARE(process.exitCode(), 0);
    const QString shown = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(shown.contains("report 1 of 1"), qPrintable(shown));
    QVERIFY2(shown.contains("caught devices: "), qPrintable(shown));
    QVERIFY2(!shown.contains("hour,report_id"), qPrintable(shown));
}

// The file is replaced only by a complete output; a failed sweep leaves the last one.
void tst_CpuSweep::outputFileKeptOnFailure()
{
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("sweep.csv");
    const QStringList arguments = hours13And14 + QStringList {"--output", path};

    const CheckRun written = sweep(fixture, arguments);
    QCOMPARE(written.exitCode, 0);
    QCOMPARE(written.out, QByteArray());
    const QByteArray csv = fileBytes(path);
    QVERIFY2(csv.startsWith(header) && csv.count('\n') > 1, csv.constData());

    const CheckRun refused = runCheck(sweepArguments(fixture, arguments), withPassword("wrong"));
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(errorLine(refused).startsWith("CPU LOAD UNKNOWN - "), refused.err.constData());
    QCOMPARE(refused.out, QByteArray());
    QCOMPARE(fileBytes(path), csv);
}

void tst_CpuSweep::outputIntoPipeOrDevice_data()
{
    QTest::addColumn<char>("kind");
    QTest::addColumn<unsigned>("minor");
    QTest::addColumn<QByteArray>("failure");
    QTest::newRow("named pipe with a reader") << 'p' << 0u << QByteArray();
    QTest::newRow("copy of /dev/null") << 'c' << 3u << QByteArray();
    QTest::newRow("copy of /dev/full") << 'c' << 7u << QByteArray("No space left on device");
}

// Written in place: renaming a new file over it would put a regular file where the device or pipe
// was, for every program on the machine.
void tst_CpuSweep::outputIntoPipeOrDevice()
{
    QFETCH(char, kind);
    QFETCH(unsigned, minor);
    QFETCH(QByteArray, failure);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("target");
    std::optional<FifoReader> reader;
    if (kind == 'p') {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        reader.emplace(path);
    } else if (!makeMemoryDevice(path, minor)) {
        QSKIP("making a device needs root");
    }

    const CheckRun run = sweep(fixture, hours13And14 + QStringList {"--output", path});
    QCOMPARE(fileKind(path), kind);
    if (!failure.isEmpty()) {
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains(failure), run.err.constData());
        QCOMPARE(run.out, QByteArray());
        return;
    }
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    if (kind == 'p') {
        const QByteArray csv = sweep(fixture, hours13And14).out;
        QVERIFY2(csv.startsWith(header) && csv.count('\n') > 1, csv.constData());
        QCOMPARE(reader->received(), csv);
    }
}

void tst_CpuSweep::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    QTest::newRow("reversed range") << QStringList {"--from", "2026-12-07 15:00:00", "--to",
        "2026-12-07 13:00:00"} << "ends at 2026-12-07 13:00:00, before it starts";
    QTest::newRow("empty range") << QStringList {"--from", "2026-12-07 15:00:00", "--to",
        "2026-12-07 15:00:00"} << "holds no hour";
    QTest::newRow("not a whole hour") << QStringList {"--from", "2026-12-07 13:30:00", "--to",
        "2026-12-07 15:00:00"} << "'2026-12-07 13:30:00' is not a whole hour";
    QTest::newRow("over 31 days") << QStringList {"--from", "2026-11-01 00:00:00", "--to",
        "2026-12-02 01:00:00"} << "spans more than 31 days";
    QTest::newRow("from without to")
        << QStringList {"--from", "2026-12-07 13:00:00"} << "--from and --to together";
    QTest::newRow("at with from/to") << (hours13And14 + QStringList {"--at", "2026-12-07 15:00:00"})
                                     << "--at sets the end of --last";
    QTest::newRow("last 0") << QStringList {"--last", "0"} << "--last takes 1 to 744 hours";
    QTest::newRow("bad at") << QStringList {"--at", "yesterday"} << "--at takes a local time";
    QTest::newRow("bad format") << QStringList {"--format", "xml"} << "--format takes csv, json";
    QTest::newRow("threshold beyond a short") << QStringList {
        "--threshold", "40000"} << "--threshold: 40000 is outside the range -32768 to 32767";
    QTest::newRow("port beyond 65535")
        << QStringList {"--port", "70000"} << "--port takes 1 to 65535, not '70000'";
    QTest::newRow("timeout 0") << QStringList {"--timeout", "0"}
                               << "--timeout takes a whole number from 1 on, not '0'";
    QTest::newRow("bad monitoring") << QStringList {"--monitoring", "23-6x"} << "--monitoring";
    QTest::newRow("monitoring start at its stop") << QStringList {"--monitoring",
        "10-10"} << "--monitoring 10-10: the monitoring time 10:00 to 10:00 monitors no hour";
    QTest::newRow("password argument") << QStringList {"--password", "x"} << "TOVIK_PASSWORD";
    QTest::newRow("unknown option") << QStringList {"--hours-ago", "2"} << "hours-ago";
}

// Refused before any connection: one UNKNOWN line and exit 3.
void tst_CpuSweep::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);

    const CheckRun run = runCheck(QStringList {"sweep"} + arguments);

    QCOMPARE(run.exitCode, 3);
    const QString line = errorLine(run);
    QVERIFY2(line.startsWith("CPU LOAD UNKNOWN - ") && line.contains(reason), qPrintable(line));
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(run.out, QByteArray());
}

void tst_CpuSweep::failureEndings_data()
{
    QTest::addColumn<bool>("withReport");
    QTest::addColumn<QStringList>("range");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("connectionNamed");

    QTest::newRow("no CPU report")
        << false << hours13And14 << password << "No Online CPU Reports Found" << false;
    QTest::newRow("login refused") << true << hours13And14 << "wrong"
                                   << "Login failed for user 'sa'." << true;
    // The samples are elsewhere: a range without any is no quiet installation.
    QTest::newRow("no sample in the range")
        << true << QStringList {"--from", "2026-12-08 13:00:00", "--to", "2026-12-08 15:00:00"}
        << password
        << "CPU LOAD UNKNOWN - no CPU samples from 2026-12-08 13:00 to 2026-12-08 15:00 in the "
           "one CPU report"
        << false;
}

void tst_CpuSweep::failureEndings()
{
    QFETCH(bool, withReport);
    QFETCH(QStringList, range);
    QFETCH(QString, password);
    QFETCH(QString, description);
    QFETCH(bool, connectionNamed);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, withReport), qPrintable(fixture.error));

    const CheckRun run = runCheck(sweepArguments(fixture, range), withPassword(password));

    QCOMPARE(run.exitCode, 3);
    // On standard error, so that `sweep > x.csv` leaves the csv empty.
    QCOMPARE(run.out, QByteArray());
    const QString line = errorLine(run);
    QVERIFY2(
        line.startsWith("CPU LOAD UNKNOWN - ") && line.endsWith(description), qPrintable(line));
    const QString tried
        = QString("no connection to 127.0.0.1:%1 with Remote SQL Authentication as sa: ")
              .arg(fixture.port());
    QCOMPARE(line.contains(tried), connectionNamed);
    QCOMPARE(run.err.count('\n'), 1);
}

void tst_CpuSweep::outputRefusedBeforeQuery_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing directory") << "missing/sweep.csv"
                                       << "the directory %1/missing does "
                                          "not exist";
    QTest::newRow("a directory") << "folder"
                                 << "%1/folder is a directory";
    QTest::newRow("a file as directory") << "file/sweep.csv"
                                         << "%1/file is not a directory";
}

// Found before the first query: the server is never asked, and nothing is created.
void tst_CpuSweep::outputRefusedBeforeQuery()
{
    QFETCH(QString, output);
    QFETCH(QString, reason);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QDir dir(fixture.appDir());
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(dir.mkdir("folder"));
    const QStringList before = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const CheckRun run
        = sweep(fixture, hours13And14 + QStringList {"--output", dir.filePath(output)});

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(errorLine(run),
        QString("CPU LOAD UNKNOWN - the output cannot be written to %1: %2")
            .arg(dir.filePath(output), reason.arg(dir.path())));
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QCOMPARE(fixture.server().loggedRequests().size(), 0);
}

// A stalled server holds the sweep no longer than --timeout; an old output stays as it was.
void tst_CpuSweep::timeoutEndsStalledSweep()
{
    MonitoringFixture fixture;
    SampleServer::Options options;
    options.logins = {"sa:" + password};
    // The login is answered; every query after it waits far beyond the timeout.
    options.delayMs = 120000;
    options.delayFrom = 3;
    QVERIFY2(fixture.addDatabase("SNMPCONLINE", installation(true)) && fixture.startServer(options),
        qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("sweep.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
    old.close();

    const CheckRun run = sweep(fixture, hours13And14 + QStringList {"-t", "1", "--output", path});

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(
        errorLine(run), QString("CPU LOAD UNKNOWN - the sweep did not end within 1 s (--timeout)"));
    QCOMPARE(fileBytes(path), QByteArray("old\n"));
}

void tst_CpuSweep::ignoredPortNoticed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("notice");

    const QString ignored = "--port is ignored: %1 connects to the server as --server names it, "
                            "without a port";
    QTest::newRow("local with a port") << QStringList {"--auth", "local", "--port", "1444"}
                                       << ignored.arg("Local SQL Authentication");
    QTest::newRow("windows with a port") << QStringList {"--auth", "windows", "--port", "1444"}
                                         << ignored.arg("Windows Authentication");
    QTest::newRow("local without a port") << QStringList {"--auth", "local"} << QString();
    QTest::newRow("remote with a port")
        << QStringList {"--auth", "remote", "--port", "1444"} << QString();
}

// The notice comes with the arguments, before any work: here an output that is refused before
// the first connection.
void tst_CpuSweep::ignoredPortNoticed()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, notice);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const CheckRun run = runCheck(QStringList {"sweep", "--server", "127.0.0.1", "--output",
                                      dir.filePath("missing/sweep.csv")}
        + arguments);

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out, QByteArray());
    const QStringList lines = errorLine(run).split('\n');
    QCOMPARE(lines.size(), notice.isEmpty() ? 1 : 2);
    if (!notice.isEmpty())
        QCOMPARE(lines.first(), notice);
    QVERIFY2(lines.last().startsWith("CPU LOAD UNKNOWN - the output cannot be written"),
        qPrintable(lines.last()));
}

QTEST_GUILESS_MAIN(tst_CpuSweep)
#include "tst_cpusweep.moc"
