#include "CheckProcess.h"
#include "FileModes.h"
#include "MonitoringFixture.h"
#include "PdfText.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace tovik::test;

namespace {

// Distinctive, so that any trace of them in a report is found.
const QString password = "Pw-Report-7731!";
const QString trapCommunity = "trapcomm-Zk94";

// Report 7 from 13:00 to 15:00 at threshold 50 and twice: node 101 caught in hour 13 with three
// samples, node 102 (whose name is markup) in hour 14 with two, node 103 (unknown to ATR_Nodes)
// in hour 13 with two and not in hour 14 with one; node 104 reached it once, too few.
QStringList installation()
{
    QStringList statements = reportTableStatements()
        << nodesTableStatement() << nodeRow(101, "core-rtr-01", "192.0.2.1", trapCommunity)
        << nodeRow(102, "edge <b>&amp; west", "192.0.2.2", trapCommunity)
        << nodeRow(104, "quiet-sw", "192.0.2.4", trapCommunity)
        << cpuReportRow("7", "'CPU Core Routers'", "300")
        << sampleTableStatement("ATR_Report_7_RAW");
    for (const char *row : {"101, '2026-12-07 13:05:00', 60", "101, '2026-12-07 13:10:00', 70",
             "101, '2026-12-07 13:15:00', 80", "102, '2026-12-07 14:20:00', 50",
             "102, '2026-12-07 14:40:00', 55", "104, '2026-12-07 13:20:00', 50",
             "103, '2026-12-07 13:25:00', 90", "103, '2026-12-07 13:30:00', 95",
             "103, '2026-12-07 14:00:00', 99"})
        statements << QString("INSERT INTO ATR_Report_7_RAW VALUES (%1)").arg(row);
    return statements;
}

bool serve(MonitoringFixture &fixture)
{
    SampleServer::Options options;
    options.logins = {"sa:" + password};
    return fixture.addDatabase("SNMPCONLINE", installation()) && fixture.startServer(options);
}

// Without a format, the output file's name gives it.
QStringList reportArguments(
    const MonitoringFixture &fixture, const QString &format, const QString &path)
{
    QStringList arguments {"sweep", "--auth", "remote", "--server", "127.0.0.1", "--port",
        QString::number(fixture.port()), "--from", "2026-12-07 13:00:00", "--to",
        "2026-12-07 15:00:00", "--threshold", "50", "--occurrences", "2", "--monitoring", "0-24",
        "--output", path};
    if (!format.isEmpty())
        arguments << "--format" << format;
    return arguments;
}

// The check as a cron job or an ssh session runs it: no display, no platform chosen.
QProcessEnvironment withoutDisplay(const QString &pass)
{
    QProcessEnvironment env = withPassword(pass);
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    return env;
}

// The report's text as a reader sees it: a PDF through pdftotext, an HTML page without its tags.
QString readableText(const QString &format, const QString &path, QString *failure)
{
    if (format == "pdf")
        return pdfText(path, failure).value_or(QString());
    static const QRegularExpression tag("<[^>]*>");
    return QString::fromUtf8(fileBytes(path)).remove(tag).simplified();
}

} // namespace

class tst_CpuSweepReport : public QObject
{
    Q_OBJECT

private slots:
    void reportWritten_data();
    void reportWritten();
    void failedSweepKeepsOldReport();
    void refusedFormats_data();
    void refusedFormats();
};

void tst_CpuSweepReport::reportWritten_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("given");
    QTest::newRow("pdf") << "pdf"
                         << "pdf" << true;
    QTest::newRow("html") << "html"
                          << "html" << true;
    QTest::newRow("pdf from the file's name") << "pdf"
                                              << "PDF" << false;
    QTest::newRow("html from the file's name") << "html"
                                               << "htm" << false;
}

void tst_CpuSweepReport::reportWritten()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QFETCH(bool, given);
    if (format == "pdf" && !pdfToolsInstalled())
        QSKIP("pdftotext and pdfinfo (poppler-utils) are needed to read the PDF back");
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("report." + suffix);

    const CheckRun run = runCheck(
        reportArguments(fixture, given ? format : QString(), path), withoutDisplay(password));

    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(fileMode(path), 0600);
    QString failure;
    const QString text = readableText(format, path, &failure);
    QVERIFY2(!text.isEmpty(), qPrintable(failure));
    for (const QString &expected :
        {QString("CPU load alarm report"), QString("threshold 50 %, occurrences 2"),
            QString("Server: 127.0.0.1:%1").arg(fixture.port()), QString("Database: SNMPCONLINE"),
            QString("Range: 2026-12-07 13:00 to 2026-12-07 15:00 (2 hours)"),
            QString("Monitoring time: 00:00 to 24:00"), QString("3 alarms on 3 devices"),
            QString("core-rtr-01"), QString("12-07 13:00-14:00"), QString("12-07 14:00-15:00"),
            QString("Alarms per day"), QString("100 %")})
        QVERIFY2(text.contains(expected), qPrintable(expected + " missing from: " + text));
    // The command has no budget to judge the alarms by.
    QVERIFY2(!text.contains("Budget"), qPrintable(text));
    // Node 104 reached the threshold once: too few to be caught, so it is in no table.
    QVERIFY2(!text.contains("quiet-sw"), qPrintable(text));
    const QByteArray bytes = fileBytes(path);
    for (const QString &secret : {password, trapCommunity}) {
        QVERIFY2(!text.contains(secret), qPrintable(secret));
        QVERIFY2(!bytes.contains(secret.toUtf8()), qPrintable(secret));
    }
    if (format == "pdf") {
        // A name may wrap at its spaces, as any text in a narrow column.
        QVERIFY2(text.contains("edge <b>&amp;"), qPrintable(text));
        // A heading breaks at spaces only, never within a word.
        QVERIFY2(text.contains("Threshold 1 2 3"), qPrintable(text));
        QVERIFY2(pdfPageCount(path, &failure).value_or(0) >= 1, qPrintable(failure));
        return;
    }
    // A name is text, never markup.
    QVERIFY2(bytes.contains("edge &lt;b&gt;&amp;amp; west"), bytes.constData());
    // Self-contained: pictures inline, nothing fetched from elsewhere.
    const QString html = QString::fromUtf8(bytes);
    QCOMPARE(html.count("<img src=\"data:image/png;base64,"), 2);
    static const QRegularExpression external(
        R"((src|href)\s*=\s*"(?!data:)|url\(|@import|https?:)");
    QVERIFY2(!external.match(html).hasMatch(), qPrintable(external.match(html).captured()));
}

// The report is replaced only by a complete one: a sweep that fails leaves the last as it was.
void tst_CpuSweepReport::failedSweepKeepsOldReport()
{
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    const QString path = QDir(fixture.appDir()).filePath("report.pdf");
    QVERIFY(writeFileWithMode(path, "the last report\n", 0600));

    const CheckRun run = runCheck(reportArguments(fixture, "pdf", path), withoutDisplay("wrong"));

    QCOMPARE(run.exitCode, 3);
    QVERIFY2(errorLine(run).startsWith("CPU LOAD UNKNOWN - "), run.err.constData());
    QCOMPARE(fileBytes(path), QByteArray("the last report\n"));
    QCOMPARE(QDir(fixture.appDir()).entryList(QDir::Files), QStringList {"report.pdf"});
}

void tst_CpuSweepReport::refusedFormats_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    QTest::newRow("pdf to standard output") << QStringList {"sweep", "--format", "pdf"}
                                            << "--format pdf writes a file: name it with --output";
    QTest::newRow("html to standard output") << QStringList {
        "sweep", "--format", "html"} << "--format html writes a file: name it with --output";
    QTest::newRow("sweep's formats") << QStringList {"sweep", "--format", "xml"}
                                     << "--format takes csv, json, table, pdf or html, not 'xml'";
    QTest::newRow("tune writes no report") << QStringList {"tune", "--format", "pdf", "--output",
        "/tmp/never.pdf"} << "--format takes csv, json or table, not 'pdf'";
    QTest::newRow("format against the file's name")
        << QStringList {"sweep", "--format", "pdf", "--output", "/tmp/never.html"}
        << "--format pdf does not match --output /tmp/never.html, whose name says html";
    QTest::newRow("data format against a report's name")
        << QStringList {"tune", "--format", "json", "--output", "/tmp/never.pdf"}
        << "--format json does not match --output /tmp/never.pdf, whose name says pdf";
    QTest::newRow("tune into a report's name")
        << QStringList {"tune", "--output", "/tmp/never.html"}
        << "--output /tmp/never.html is named for html; this command writes csv, json or table";
}

// Refused before any connection: one UNKNOWN line and exit 3, as the sweep's other bad input.
void tst_CpuSweepReport::refusedFormats()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);

    const CheckRun run = runCheck(arguments, withoutDisplay(password));

    QCOMPARE(run.exitCode, 3);
    const QString line = errorLine(run);
    QVERIFY2(line.startsWith("CPU LOAD UNKNOWN - " + reason), qPrintable(line));
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(run.out, QByteArray());
}

QTEST_GUILESS_MAIN(tst_CpuSweepReport)
#include "tst_cpusweepreport.moc"
