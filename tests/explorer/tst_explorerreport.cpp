#include "ExplorerRun.h"
#include "FileModes.h"
#include "MonitoringFixture.h"
#include "PdfText.h"
#include "SampleData.h"
#include "explorer/ExplorerWindow.h"
#include "sweep/SweepGrid.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

QAction *menuAction(const ExplorerWindow &window, const QString &text)
{
    const auto actions = window.findChildren<QAction *>();
    const auto found = std::find_if(actions.cbegin(), actions.cend(),
        [&text](const QAction *action) { return action->text() == text; });
    return found == actions.cend() ? nullptr : *found;
}

QAction *exportReportAction(const ExplorerWindow &window)
{
    return menuAction(window, QStringLiteral("Export &report..."));
}

int caughtDevices(const SweepGrid &grid, qint16 occurrences)
{
    int caught = 0;
    for (int device = 0; device < grid.deviceCount(); ++device)
        caught += grid.hoursCaught(device, occurrences) > 0 ? 1 : 0;
    return caught;
}

qint64 caughtHours(const SweepGrid &grid, qint16 occurrences)
{
    qint64 hours = 0;
    for (int device = 0; device < grid.deviceCount(); ++device)
        hours += grid.hoursCaught(device, occurrences);
    return hours;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the save dialog the action opens, once it is up, with name under the filter; a dialog
// that does not take the answer is cancelled, so that the test fails instead of waiting.
void answerSaveDialog(const QString &filter, const QString &name)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, filter, name] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // Stopped at once: the timer outlives this dialog's event loop, and must not answer the
        // next dialog.
        poll->stop();
        poll->deleteLater();
        dialog->selectNameFilter(filter);
        // Typed as a user types it: selectFile() leaves a focused name box as it is.
        auto *nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (nameBox)
            nameBox->setText(name);
        // As the dialog's Save button does; QFileDialog hides its accept() behind QDialog's.
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start(10);
}

} // namespace

class tst_ExplorerReport : public QObject
{
    Q_OBJECT

private slots:
    void reportOfShownResult_data();
    void reportOfShownResult();
    void failedExportShownPlainly();
    void exportActionsSayWhereTheyWrote_data();
    void exportActionsSayWhereTheyWrote();
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
    window.findChild<QDoubleSpinBox *>("budget")->setValue(12.5);
    const int caught = caughtDevices(*window.shownGrid(), 2);
    QVERIFY(caught > 0);
    // Any device over the whole range is caught with the first alarm; a node that is none never.
    const QString incidents = dir.filePath("incidents.csv");
    QFile incidentsFile(incidents);
    QVERIFY(incidentsFile.open(QIODevice::WriteOnly));
    incidentsFile.write("start,end,device,note\n"
                        "2026-12-05 14:00:00,2026-12-07 14:00:00,,all along\n"
                        "2026-12-06 02:00:00,2026-12-06 03:00:00,no-such-node,\n");
    incidentsFile.close();
    QVERIFY(window.loadIncidents(incidents));
    // The Tuning view's hold-out describes the hours before the last day; the report keeps the
    // whole range, whose alarms by hour of day add up to every caught hour.
    window.findChild<QSpinBox *>("holdOutDays")->setValue(1);

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
            QString("on %1 devices").arg(caught), QString("Alarms per day"),
            QString("Budget: at most 12.5 alarms per day"),
            QString("over the budget of 12.5 alarms per day are grey"),
            QString("1 of 2 incidents caught by threshold 40 %, occurrences 2"),
            QString("no-such-node"), QString("Alarms by hour of day"),
            QString("%1 alarms of threshold 40 %, occurrences 2.")
                .arg(caughtHours(*window.shownGrid(), 2)),
            QString("of the alarms")})
        QVERIFY2(text.contains(expected), qPrintable(expected + " missing from: " + text));
    QVERIFY2(!bytes.contains(kPassword.toUtf8()) && !text.contains(kPassword), "the password");
    for (const QString &community : kTrapCommunities)
        QVERIFY2(!text.contains(community) && !bytes.contains(community.toUtf8()),
            qPrintable(community));
    if (pdf)
        QVERIFY2(pdfPageCount(path, &failure).value_or(0) >= 1, qPrintable(failure));
    else
        QVERIFY(!QString::fromUtf8(bytes).contains(QRegularExpression("https?:|src=\"(?!data:)")));
    // Marked as the tuning view marks them: the lowest threshold within the budget, and the cells
    // over it.
    if (!pdf) {
        QVERIFY(bytes.contains("<span style=\"font-weight: bold\">"));
        QVERIFY(bytes.contains("<span style=\"color: #9a9a9a\">"));
    }
}

// Nothing is left behind, and the reason names the file, in the status line too.
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

    // Through the menu: a link to a file in a folder that is gone, which the dialog takes.
    const QString dangling = dir.filePath("dangling.pdf");
    QVERIFY(QFile::link(dir.filePath("gone/report.pdf"), dangling));
    answerSaveDialog("PDF documents (*.pdf)", dangling);
    exportReportAction(window)->trigger();
    QVERIFY2(
        window.statusText().startsWith("The report could not be written to " + dangling + ": "),
        qPrintable(window.statusText()));
}

void tst_ExplorerReport::exportActionsSayWhereTheyWrote_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QString>("what");

    // The dialog's filter chooses the format of a report's name given without a suffix.
    QTest::newRow("report, HTML filter")
        << "Export &report..."
        << "HTML pages (*.html *.htm)"
        << "shared"
        << "shared.html" << QByteArray("<!DOCTYPE html>") << "Report";
    QTest::newRow("report, PDF filter") << "Export &report..."
                                        << "PDF documents (*.pdf)"
                                        << "printed"
                                        << "printed.pdf" << QByteArray("%PDF-") << "Report";
    QTest::newRow("csv") << "&Export CSV..."
                         << "CSV files (*.csv)"
                         << "sweep.csv"
                         << "sweep.csv" << QByteArray("hour,report_id,") << "CSV";
    QTest::newRow("chart as PNG") << "Export chart as &PNG..."
                                  << "PNG pictures (*.png)"
                                  << "chart.png"
                                  << "chart.png" << QByteArray("\x89PNG") << "Chart";
}

// Each export through its menu writes the file and names it in the status line.
void tst_ExplorerReport::exportActionsSayWhereTheyWrote()
{
    QFETCH(QString, action);
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QByteArray, start);
    QFETCH(QString, what);
    MonitoringFixture fixture;
    QVERIFY2(serve(fixture), qPrintable(fixture.error));
    ExplorerWindow window;
    window.applySettings(settingsFor(fixture));
    window.show();
    QVERIFY2(runToResult(window), qPrintable(window.statusText()));
    QTemporaryDir dir;
    QAction *exportAction = menuAction(window, action);
    QVERIFY(exportAction);

    answerSaveDialog(filter, dir.filePath(typed));
    exportAction->trigger();

    const QString path = dir.filePath(written);
    QVERIFY2(fileBytes(path).startsWith(start), qPrintable(window.statusText()));
    QCOMPARE(window.statusText(), what + " written to " + path);
    if (what == "Report")
        QCOMPARE(fileMode(path), 0600);
}

QTEST_MAIN(tst_ExplorerReport)
#include "tst_explorerreport.moc"
