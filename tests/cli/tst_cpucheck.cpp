#include "CheckProcess.h"
#include "FileModes.h"
#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "cli/CheckOptions.h"
#include "cli/CheckStatus.h"
#include "common/IntegerConversion.h"
#include "testrun/RunOutcome.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace tovik;
using namespace tovik::test;

namespace {

const QString at = "2026-12-07 14:20:05";
const QString hour = "in hour 2026-12-07 13:00 to 14:00";
const QString password = "S3cret-pw";

QStringList connectionArguments(const MonitoringFixture &fixture)
{
    return {"run", "--auth", "remote", "--server", "127.0.0.1", "--port",
        QString::number(fixture.port()), "--at", at};
}

enum class Data { Standard, MissingSampleTable, NoCpuReports, SecondReport, PollingStopped };

// Report 7 in the monitoring database: at threshold 50 node 101 reaches it three times, 103
// (unknown to ATR_Nodes) twice and 102 once; node 101's three samples are the most of any
// device in the hour. With a second report, 9, node 101 reaches it there four times. With the
// polling stopped, report 7's last samples are from the hour before the examined one.
QStringList installation(Data data)
{
    QStringList statements = reportTableStatements()
        << "CREATE TABLE ATR_Nodes (node_id INTEGER, node_name TEXT, address TEXT, trapcomm TEXT)"
        << "INSERT INTO ATR_Nodes VALUES (101, 'core-rtr-01', '192.0.2.1', 'trap-secret')"
        << "INSERT INTO ATR_Nodes VALUES (102, 'core-rtr-02', '192.0.2.2', 'public')";
    if (data == Data::NoCpuReports)
        return statements;
    statements << cpuReportRow("7", "'CPU Core Routers'", "300")
               << sampleTableStatement("ATR_Report_7_RAW");
    if (data == Data::PollingStopped) {
        return statements << "INSERT INTO ATR_Report_7_RAW VALUES (101, '2026-12-07 12:55:00', 90)"
                          << "INSERT INTO ATR_Report_7_RAW VALUES (101, '2026-12-07 14:00:00', 90)";
    }
    for (const char *row : {"101, '2026-12-07 13:05:00', 60", "101, '2026-12-07 13:10:00', 70",
             "101, '2026-12-07 13:15:00', 80", "102, '2026-12-07 13:20:00', 50",
             "103, '2026-12-07 13:25:00', 90", "103, '2026-12-07 13:30:00', 95",
             "103, '2026-12-07 14:00:00', 99"})
        statements << QString("INSERT INTO ATR_Report_7_RAW VALUES (%1)").arg(row);
    if (data == Data::MissingSampleTable)
        statements << cpuReportRow("12", "'CPU Access Switches'", "60");
    if (data == Data::SecondReport) {
        statements << cpuReportRow("9", "'CPU Edge Routers'", "300")
                   << sampleTableStatement("ATR_Report_9_RAW");
        for (const char *minute : {"05", "10", "15", "20"})
            statements << QString(
                "INSERT INTO ATR_Report_9_RAW VALUES (101, '2026-12-07 13:%1:00', 75)")
                              .arg(minute);
    }
    return statements;
}

bool serve(MonitoringFixture &fixture, Data data, SampleServer::Options options = {})
{
    options.logins = {"sa:" + password};
    return fixture.addDatabase("SNMPCONLINE", installation(data)) && fixture.startServer(options);
}

// The state a graphing tool reads from "caught=VALUE;WARNING;CRITICAL;0", where a level L alerts
// when the value is above L; -1 when the status has no such data.
int stateOfLevels(const QString &status)
{
    const QRegularExpressionMatch levels
        = QRegularExpression("caught=(\\d+);(\\d*);(\\d+);0 ").match(status);
    if (!levels.hasMatch())
        return -1;
    const int value = levels.captured(1).toInt();
    if (value > levels.captured(3).toInt())
        return 2;
    if (!levels.captured(2).isEmpty() && value > levels.captured(2).toInt())
        return 1;
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Data)
Q_DECLARE_METATYPE(tovik::CaughtDevice)

class tst_CpuCheck : public QObject
{
    Q_OBJECT

private slots:
    void sameRunLogAsWindow_data();
    void sameRunLogAsWindow();
    void statusOfRun_data();
    void statusOfRun();
    void badCommandLine_data();
    void badCommandLine();
    void timeoutEndsBlockedRun();
    void passwordSources_data();
    void passwordSources();
    void passwordFileReadableByOthersRefused();
    void runLogPrivateToOwner();
    void runLogNotWritable();
    void runLogIntoDevice_data();
    void runLogIntoDevice();
    void manyCaughtDevicesShortened();
    void caughtDevicesBusiestFirst_data();
    void caughtDevicesBusiestFirst();
};

void tst_CpuCheck::sameRunLogAsWindow_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("toStdout");
    QTest::newRow("monitoring database, file") << "online" << false;
    QTest::newRow("report databases, file") << "external" << false;
    QTest::newRow("report databases, standard output") << "external" << true;
}

void tst_CpuCheck::sameRunLogAsWindow()
{
    QFETCH(QString, layout);
    QFETCH(bool, toStdout);

    MonitoringFixture fixture;
    QVERIFY2(generateSampleData(fixture.dataDir(),
                 {"--layout", layout, "--reports", "3", "--nodes", "12", "--hours", "3", "--end",
                     "2026-12-07 15:00:00"},
                 &fixture.error),
        qPrintable(fixture.error));
    QVERIFY2(fixture.startServer(), qPrintable(fixture.error));
    fixture.host.setReferenceTime(QDateTime::fromString(at, "yyyy-MM-dd HH:mm:ss"));
    fixture.host.setText("txtCpuLoadThreshold", "60");
    fixture.host.setText("txtCpuOverThreshold", "3");
    TestRunDriver(fixture.host).run();
    const QString windowLog = withoutTimings(fixture.runLog());
    QVERIFY(windowLog.contains("\r\nTest Trap sent for one Device.\r\n"));

    const QString path = QDir(fixture.appDir()).filePath("cli-run.txt");
    const CheckRun run
        = runCheck(connectionArguments(fixture) << "--threshold"
                                                << "60"
                                                << "--occurrences"
                                                << "3"
                                                << "--run-log" << (toStdout ? "-" : path));

    const QByteArray logBytes = toStdout ? run.out : fileBytes(path);
    QCOMPARE(withoutTimings(QString::fromLocal8Bit(logBytes)), windowLog);
    const QByteArray statusBytes = toStdout ? run.err : run.out;
    QVERIFY2(statusBytes.startsWith("CPU LOAD "), statusBytes.constData());
    QCOMPARE(statusBytes.count('\n'), 1);
}

void tst_CpuCheck::statusOfRun_data()
{
    QTest::addColumn<Data>("data");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");

    const QString caught = "CPU LOAD %1 - 2 devices caught " + hour
        + " (threshold 50%, occurrences 2): core-rtr-01 3 times, node 103 2 times | caught=2;%2;0 "
          "counted=3 time=";
    QTest::newRow("none caught, more occurrences than samples in the hour")
        << Data::Standard << QStringList {"--occurrences", "4"} << 0
        << "CPU LOAD OK - no device caught " + hour
            + " (threshold 50%, occurrences 4); occurrences 4 never fires: at most 3 samples in "
              "an hour | caught=0;;0;0 counted=3 time=";
    QTest::newRow("none caught, as many occurrences as samples in the hour")
        << Data::Standard << QStringList {"--threshold", "96", "--occurrences", "3"} << 0
        << "CPU LOAD OK - no device caught " + hour
            + " (threshold 96%, occurrences 3) | caught=0;;0;0 counted=0 time=";
    QTest::newRow("no sample in the hour")
        << Data::PollingStopped << QStringList {} << 3
        << "CPU LOAD UNKNOWN - no CPU samples from 2026-12-07 13:00 to 2026-12-07 14:00 in the "
           "one CPU report";
    QTest::newRow("no sample in an hour outside the monitoring time")
        << Data::PollingStopped << QStringList {"--monitoring", "14-24"} << 0
        << "CPU LOAD OK - no device caught " + hour
            + ", outside the monitoring time 14:00 to 24:00 (threshold 50%, occurrences 2) | "
              "caught=0;;0;0 counted=0 time=";
    QTest::newRow("caught, critical from one")
        << Data::Standard << QStringList {} << 2 << caught.arg("CRITICAL", ";0");
    QTest::newRow("caught, one short of the warning")
        << Data::Standard << QStringList {"--warning", "3", "--critical", "5"} << 0
        << caught.arg("OK", "2;4");
    QTest::newRow("caught, warning below critical")
        << Data::Standard << QStringList {"--warning", "2", "--critical", "3"} << 1
        << caught.arg("WARNING", "1;2");
    QTest::newRow("caught, warning and critical reached")
        << Data::Standard << QStringList {"--warning", "1", "--critical", "2"} << 2
        << caught.arg("CRITICAL", "0;1");
    QTest::newRow("threshold text rounded as in the window")
        << Data::Standard << QStringList {"--threshold", "49.5"} << 2
        << caught.arg("CRITICAL", ";0");
    QTest::newRow("hour outside the monitoring time")
        << Data::Standard << QStringList {"--monitoring", "14-24"} << 0
        << "CPU LOAD OK - no device caught " + hour
            + ", outside the monitoring time 14:00 to 24:00 (threshold 50%, occurrences 2) | "
              "caught=0;;0;0 counted=0 time=";
    QTest::newRow("node caught in two reports, busiest first")
        << Data::SecondReport << QStringList {} << 2
        << "CPU LOAD CRITICAL - 3 devices caught " + hour
            + " (threshold 50%, occurrences 2): core-rtr-01 (report 9) 4 times, core-rtr-01 "
              "(report 7) 3 times, node 103 2 times | caught=3;;0;0 counted=4 time=";
    QTest::newRow("query failure") << Data::MissingSampleTable << QStringList {} << 3
                                   << "CPU LOAD UNKNOWN - *Invalid object name 'ATR_Report_12_RAW'";
    QTest::newRow("no cpu reports") << Data::NoCpuReports << QStringList {} << 3
                                    << "CPU LOAD UNKNOWN - No Online CPU Reports Found";
    QTest::newRow("main connection not opened")
        << Data::Standard << QStringList {"--user", "nobody"} << 3
        << "CPU LOAD UNKNOWN - no connection to 127.0.0.1:* with Remote SQL Authentication as "
           "nobody: *Login failed for user 'nobody'";
}

void tst_CpuCheck::statusOfRun()
{
    QFETCH(Data, data);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, line);

    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, data), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("run.txt");
    const CheckRun run = runCheck(connectionArguments(fixture) << "--threshold"
                                                               << "50"
                                                               << "--occurrences"
                                                               << "2"
                                                               << "--run-log" << path << arguments,
        withPassword(password));

    const QString status = statusLine(run);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!status.contains('\n'));
    if (line.contains('*'))
        QVERIFY2(QRegularExpression(QRegularExpression::wildcardToRegularExpression(line + "*",
                                        QRegularExpression::UnanchoredWildcardConversion))
                     .match(status)
                     .hasMatch(),
            qPrintable(status));
    else
        QVERIFY2(status.startsWith(line), qPrintable(status));
    if (exitCode != 3) {
        QVERIFY2(QRegularExpression("time=\\d+\\.\\d{3}s$").match(status).hasMatch(),
            qPrintable(status));
        QCOMPARE(stateOfLevels(status), exitCode);
    }
    // A failure ending writes the log as the window would, except when no connection opened.
    const QByteArray log = fileBytes(path);
    if (QTest::currentDataTag() == QByteArray("main connection not opened"))
        QCOMPARE(log, QByteArray("<no file>"));
    else if (exitCode == 3 && data != Data::Standard && data != Data::PollingStopped)
        QVERIFY(log.endsWith(
            status.mid(QString("CPU LOAD UNKNOWN - ").size()).right(20).toLocal8Bit() + "\r\n"));
    else
        QVERIFY(log.startsWith("Connect OK to ") || log == "\r\n");
    // The check's look at the hour's samples at any load is no query of the run.
    QVERIFY(!log.contains("SUM(CASE"));
}

void tst_CpuCheck::badCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");

    const QString hint = " (see tovik-cpu-check run --help)";
    QTest::newRow("unknown option")
        << QStringList {"run", "--bogus"} << "CPU LOAD UNKNOWN - Unknown option 'bogus'." + hint;
    QTest::newRow("unknown command")
        << QStringList {"walk"} << "CPU LOAD UNKNOWN - unknown command 'walk'" + hint;
    QTest::newRow("authentication")
        << QStringList {"run", "--auth", "kerberos"}
        << "CPU LOAD UNKNOWN - --auth takes windows, local or remote, not 'kerberos'" + hint;
    QTest::newRow("monitoring hours")
        << QStringList {"run", "--monitoring", "6-25"}
        << "CPU LOAD UNKNOWN - --monitoring takes START-STOP, START 0 to 23 and STOP 1 to 24, not "
           "'6-25'"
            + hint;
    QTest::newRow("monitoring past midnight")
        << QStringList {"run", "--monitoring", "22-6"}
        << "CPU LOAD UNKNOWN - --monitoring 22-6: the monitoring time 22:00 to 06:00 monitors no "
           "hour: it does not wrap past midnight, so its start must come before its stop"
            + hint;
    QTest::newRow("reference time twice") << QStringList {"run", "--at", at, "--hours-ago",
        "2"} << "CPU LOAD UNKNOWN - --at and --hours-ago exclude each other" + hint;
    QTest::newRow("reference time text")
        << QStringList {"run", "--at", "2026-12-07 14:20"}
        << "CPU LOAD UNKNOWN - --at takes a local time 'YYYY-MM-DD HH:MM:SS', not '2026-12-07 "
           "14:20'"
            + hint;
    QTest::newRow("critical zero") << QStringList {"run", "--critical",
        "0"} << "CPU LOAD UNKNOWN - --critical takes a whole number from 1 on, not '0'" + hint;
    // Refused before any connection, naming the option rather than the window's box.
    QTest::newRow("threshold no number")
        << QStringList {"run", "--threshold", "abc"}
        << "CPU LOAD UNKNOWN - " + IntegerConversion::int16Failure("--threshold", "abc") + hint;
    QTest::newRow("occurrences beyond 16 bits")
        << QStringList {"run", "--occurrences", "99999"}
        << "CPU LOAD UNKNOWN - " + IntegerConversion::int16Failure("--occurrences", "99999") + hint;
    QTest::newRow("port beyond 65535") << QStringList {"run", "--port",
        "70000"} << "CPU LOAD UNKNOWN - --port takes 1 to 65535, not '70000'" + hint;
    QTest::newRow("port 0") << QStringList {"run", "--port", "0"}
                            << "CPU LOAD UNKNOWN - --port takes 1 to 65535, not '0'" + hint;
    QTest::newRow("port no number") << QStringList {
        "run", "--port", "abc"} << "CPU LOAD UNKNOWN - --port takes 1 to 65535, not 'abc'" + hint;
    QTest::newRow("password argument")
        << QStringList {"run", "--password", password}
        << "CPU LOAD UNKNOWN - --password is not accepted, since every user of the machine can "
           "read a command line: put the password in the environment variable TOVIK_PASSWORD or "
           "in the first line of a file named by --password-file";
}

void tst_CpuCheck::badCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);

    const CheckRun run = runCheck(arguments);
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(statusLine(run), line);
    QVERIFY(!run.out.contains(password.toLocal8Bit()));
}

void tst_CpuCheck::timeoutEndsBlockedRun()
{
    MonitoringFixture fixture;
    SampleServer::Options options;
    // The login is answered; every query after it waits far beyond the check's timeout.
    options.delayMs = 120000;
    options.delayFrom = 3;
    QVERIFY2(serve(fixture, Data::Standard, options), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("run.txt");

    const CheckRun run = runCheck(connectionArguments(fixture) << "-t"
                                                               << "1"
                                                               << "--run-log" << path,
        withPassword(password));

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(
        statusLine(run), QString("CPU LOAD UNKNOWN - the run did not end within 1 s (--timeout)"));
    QCOMPARE(fileBytes(path), QByteArray("<no file>"));
}

void tst_CpuCheck::passwordSources_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QByteArray>("fileContent");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("environment") << password << QByteArray() << 2;
    QTest::newRow("file, first line")
        << QString() << (password + "\r\nsecond line\n").toUtf8() << 2;
    QTest::newRow("the file before the environment")
        << QString("wrong") << (password + "\n").toUtf8() << 2;
    QTest::newRow("neither: empty password") << QString() << QByteArray() << 3;
}

void tst_CpuCheck::passwordSources()
{
    QFETCH(QString, environment);
    QFETCH(QByteArray, fileContent);
    QFETCH(int, exitCode);

    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Data::Standard), qPrintable(fixture.error));
    QStringList arguments = connectionArguments(fixture)
        << "--threshold"
        << "50"
        << "--occurrences"
        << "2"
        << "--run-log" << QDir(fixture.appDir()).filePath("run.txt");
    if (!fileContent.isEmpty()) {
        const QString passwordFile = QDir(fixture.dataDir()).filePath("password");
        QVERIFY(writeFileWithMode(passwordFile, fileContent, 0600));
        arguments << "--password-file" << passwordFile;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("TOVIK_PASSWORD");
    if (!environment.isEmpty())
        env.insert("TOVIK_PASSWORD", environment);

    const CheckRun run = runCheck(arguments, env);

    QCOMPARE(run.exitCode, exitCode);
    const QByteArray log = fileBytes(QDir(fixture.appDir()).filePath("run.txt"));
    for (const QByteArray &text : {run.out, run.err, log})
        QVERIFY(!text.contains(password.toUtf8()));
    if (exitCode == 2)
        QVERIFY(log.contains("User Id=sa;Password=****\r\n"));
}

// The check refuses to read a password that other users can read too, before it connects.
void tst_CpuCheck::passwordFileReadableByOthersRefused()
{
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath("password");
    QVERIFY(writeFileWithMode(passwordFile, password.toUtf8(), 0644));

    const CheckRun run = runCheck({"run", "--auth", "remote", "--server", "127.0.0.1", "--port",
                                      "1", "--password-file", passwordFile},
        QProcessEnvironment::systemEnvironment());

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(statusLine(run),
        QString("CPU LOAD UNKNOWN - the password file %1 can be read by other users; make it "
                "private with chmod 600 %1 (see tovik-cpu-check run --help)")
            .arg(passwordFile));
    QVERIFY(!run.out.contains(password.toUtf8()) && !run.err.contains(password.toUtf8()));
}

void tst_CpuCheck::runLogPrivateToOwner()
{
#ifdef Q_OS_UNIX
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Data::NoCpuReports), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("run.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(5000, 'x')) == 5000);
    old.close();
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);

    const mode_t umaskBefore = ::umask(0);
    const CheckRun run
        = runCheck(connectionArguments(fixture) << "--run-log" << path, withPassword(password));
    ::umask(umaskBefore);

    QCOMPARE(run.exitCode, 3);
    QCOMPARE(fileMode(path), 0600);
    QVERIFY(fileBytes(path).endsWith("\r\nNo Online CPU Reports Found\r\n"));
    QVERIFY(!fileBytes(path).contains('x'));
#else
    QSKIP("file modes are POSIX");
#endif
}

void tst_CpuCheck::runLogNotWritable()
{
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Data::Standard), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("missing/run.txt");

    const CheckRun run
        = runCheck(connectionArguments(fixture) << "--run-log" << path, withPassword(password));

    // The run itself caught devices; a result without the log that was asked for is no result.
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(statusLine(run).startsWith(
                 "CPU LOAD UNKNOWN - the run log could not be written to " + path + ": "),
        qPrintable(statusLine(run)));
}

void tst_CpuCheck::runLogIntoDevice_data()
{
    QTest::addColumn<unsigned>("minor");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("status");
    QTest::newRow("copy of /dev/null") << 3u << 2 << "CPU LOAD CRITICAL - ";
    QTest::newRow("copy of /dev/full")
        << 7u << 3 << "CPU LOAD UNKNOWN - the run log could not be written to %1: No space";
}

// `--run-log /dev/null` is a cron user's habit: the device takes the log and stays a device.
void tst_CpuCheck::runLogIntoDevice()
{
    QFETCH(unsigned, minor);
    QFETCH(int, exitCode);
    QFETCH(QString, status);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture, Data::Standard), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("null");
    if (!makeMemoryDevice(path, minor))
        QSKIP("making a device needs root");

    const CheckRun run
        = runCheck(connectionArguments(fixture) << "--run-log" << path, withPassword(password));

    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(statusLine(run).startsWith(status.replace("%1", path)), qPrintable(statusLine(run)));
    QCOMPARE(fileKind(path), 'c');
}

void tst_CpuCheck::manyCaughtDevicesShortened()
{
    RunOutcome outcome;
    outcome.ending = RunEnding::NormalEnd;
    outcome.examinedHour = {"2026-12-07 13:00:00", "2026-12-07 14:00:00"};
    outcome.alarm.threshold = 80;
    outcome.alarm.occurrences = 1;
    for (int node = 1; node <= 8; ++node)
        outcome.caught << CaughtDevice {node, QString("sw|%1").arg(node), qint16(node), 7};
    outcome.countedDevices = 9;
    outcome.durationMs = 1234;
    CheckOptions options;
    options.referenceTime = QDateTime::fromString(at, "yyyy-MM-dd HH:mm:ss");

    const CheckStatus status = CheckStatus::fromOutcome(outcome, options);

    QCOMPARE(status.code, CheckStatus::Critical);
    QCOMPARE(status.line,
        "CPU LOAD CRITICAL - 8 devices caught " + hour
            + " (threshold 80%, occurrences 1): sw/8 8 times, sw/7 7 times, sw/6 6 times, sw/5 5 "
              "times, sw/4 4 times and 3 more | caught=8;;0;0 counted=9 time=1.234s");
}

using CaughtDevices = QList<CaughtDevice>;

void tst_CpuCheck::caughtDevicesBusiestFirst_data()
{
    QTest::addColumn<CaughtDevices>("caught");
    QTest::addColumn<QString>("named");
    QTest::newRow("caught 12 times before 3 times") << CaughtDevices {
        {11, "edge-1", 3, 7}, {12, "edge-2", 12, 7}} << "edge-2 12 times, edge-1 3 times";
    QTest::newRow("busiest counted last, not shortened away") << CaughtDevices {{1, "a", 2, 7},
        {2, "b", 2, 7}, {3, "c", 2, 7}, {4, "d", 2, 7}, {5, "e", 2, 7}, {6, "f", 2, 7},
        {7, "g", 40, 9}} << "g 40 times, a 2 times, b 2 times, c 2 times, d 2 times and 2 more";
    QTest::newRow("equal counts keep the run's order") << CaughtDevices {{30, "z", 5, 7},
        {10, "y", 5, 7}, {20, "x", 5, 9}} << "z 5 times, y 5 times, x 5 times";
    QTest::newRow("same node in two reports") << CaughtDevices {{5, "core", 3, 7}, {6, "", 4, 7},
        {5, "core", 9, 12}} << "core (report 12) 9 times, node 6 4 times, core (report 7) 3 times";
    QTest::newRow("unnamed node in two reports") << CaughtDevices {
        {6, "", 4, 7}, {6, "", 4, 9}} << "node 6 (report 7) 4 times, node 6 (report 9) 4 times";
}

// The status line names the busiest devices; a node caught in two reports says which is which.
void tst_CpuCheck::caughtDevicesBusiestFirst()
{
    QFETCH(CaughtDevices, caught);
    QFETCH(QString, named);
    RunOutcome outcome;
    outcome.ending = RunEnding::NormalEnd;
    outcome.alarm.threshold = 80;
    outcome.alarm.occurrences = 1;
    outcome.caught = caught;
    CheckOptions options;
    options.referenceTime = QDateTime::fromString(at, "yyyy-MM-dd HH:mm:ss");

    const QString line = CheckStatus::fromOutcome(outcome, options).line;

    const QString devices = line.section(": ", 1).section(" | ", 0, 0);
    QCOMPARE(devices, named);
}

QTEST_GUILESS_MAIN(tst_CpuCheck)
#include "tst_cpucheck.moc"
