#include "FileModes.h"
#include "MonitoringFixture.h"
#include "PdfText.h"
#include "SampleData.h"
#include "explorer/ExplorerWindow.h"
#include "sweep/SweepGrid.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString kPassword = QStringLiteral("Explorer-Pw-5512");
// The sample data's trap communities that no report text holds by chance.
const QStringList kTrapCommunities {QStringLiteral("noc-traps"), QStringLiteral("ops-trap")};

bool serve(MonitoringFixture &fixture)
{
    SampleServer::Options options;
    options.logins = {"sa:" + kPassword};
    return generateSampleData(fixture.dataDir(),
               {"--layout", "online", "--reports", "2", "--nodes", "8", "--hours", "50", "--seed",
                   "5", "--end", "2026-12-07 14:30:00"},
               &fixture.error)
        && fixture.startServer(options);
}

SweepChoice settingsFor(MonitoringFixture &fixture)
{
    SweepChoice settings;
    settings.connection.fields = fixture.host.connectionFields();
    settings.connection.fields.SqlDbPass = kPassword;
    settings.fixedRange = true;
    settings.from = QStringLiteral("2026-12-05 14:00:00");
    settings.to = QStringLiteral("2026-12-07 14:00:00");
    settings.threshold = 40;
    settings.occurrences = 6;
    return settings;
}

bool runToResult(ExplorerWindow &window)
{
    QSignalSpy shown(&window, &ExplorerWindow::resultShown);
    QSignalSpy failed(&window, &ExplorerWindow::runFailed);
    window.run();
    return QTest::qWaitFor([&] { return !shown.isEmpty() || !failed.isEmpty(); }, 60000)
        && !shown.isEmpty();
}

QAction *exportReportAction(const ExplorerWindow &window)
{
    const auto actions = window.findChildren<QAction *>();
    const auto found = std::find_if(actions.cbegin(), actions.cend(),
        [](const QAction *action) { return action->text() == "Export &Report..."; });
    return found == actions.cend() ? nullptr : *found;
}

int caughtDevices(const SweepGrid &grid, qint16 occurrences)
{
    int caught = 0;
    for (int device = 0; device < grid.deviceCount(); ++device)
        caught += grid.hoursCaught(device, occurrences) > 0 ? 1 : 0;
    return caught;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ExplorerReport : public QObject
{
    Q_OBJECT

private slots:
    void reportOfShownResult_data();
    void reportOfShownResult();
    void failedExportShownPlainly();
};

void tst_ExplorerReport::reportOfShownResult_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("pdf") << "report.pdf";
    QTest::newRow("html") << "report.HTML";
}

// The report of the result on screen at the occurrences of the box, with the baseline kept before.
void tst_ExplorerReport::reportOfShownResult()
{
    QFETCH(QString, name);
    const bool pdf = name.endsWith(".pdf");
    if (pdf && !pdfToolsInstalled())
        QSKIP("pdftotext and pdfinfo (poppler-utils) are needed to read the PDF back");
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(settingsFor(fixture));
    window.show();
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QString failure;
    QVERIFY(!exportReportAction(window)->isEnabled());
    QVERIFY(!window.exportReport(path, &failure));
    QCOMPARE(failure, QString("There is no result to export yet."));
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QVERIFY(exportReportAction(window)->isEnabled());
    window.findChild<QPushButton *>("keepBaseline")->click();
    window.findChild<QSpinBox *>("occurrences")->setValue(2);
    const int caught = caughtDevices(*window.shownGrid(), 2);
    QVERIFY(caught > 0);

    QVERIFY2(window.exportReport(path, &failure), qPrintable(failure));

    QCOMPARE(fileMode(path), 0600);
    const QByteArray bytes = fileBytes(path);
    static const QRegularExpression tag("<[^>]*>");
    const QString text = pdf ? pdfText(path, &failure).value_or(QString())
                             : QString::fromUtf8(bytes).remove(tag).simplified();
    QVERIFY2(!text.isEmpty(), qPrintable(failure));
    for (const QString &expected :
        {QString("CPU load alarm report"), QString("Alarm setting: threshold 40 %, occurrences 2"),
            QString("Baseline: threshold 40 %, occurrences 6"),
            QString("Database: %1").arg(fixture.host.connectionFields().SqlDatabase),
            QString("%1 devices caught").arg(caught), QString("Alarms per day")})
        QVERIFY2(text.contains(expected), qPrintable(expected + " missing from: " + text));
    QVERIFY2(!bytes.contains(kPassword.toUtf8()) && !text.contains(kPassword), "the password");
    for (const QString &community : kTrapCommunities)
        QVERIFY2(!text.contains(community) && !bytes.contains(community.toUtf8()),
            qPrintable(community));
    if (pdf)
        QVERIFY2(pdfPageCount(path, &failure).value_or(0) >= 1, qPrintable(failure));
    else
        QVERIFY(!QString::fromUtf8(bytes).contains(QRegularExpression("https?:|src=\"(?!data:)")));
}

// Nothing is left behind, and the reason names the file.
void tst_ExplorerReport::failedExportShownPlainly()
{
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(settingsFor(fixture));
    window.show();
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing/report.pdf");
    QVERIFY(QDir(dir.path()).mkdir("folder.pdf"));

    QString failure;
    QVERIFY(!window.exportReport(missing, &failure));
    QVERIFY2(failure.startsWith("The report could not be written to " + missing + ": "),
        qPrintable(failure));
    QVERIFY(!window.exportReport(dir.filePath("folder.pdf"), &failure));
    QVERIFY2(failure.endsWith("is a directory"), qPrintable(failure));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList {"folder.pdf"});
}

QTEST_MAIN(tst_ExplorerReport)
#include "tst_explorerreport.moc"
