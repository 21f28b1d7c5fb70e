#include "RecordingHost.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QtTest>

using namespace tovik;
using tovik::test::RecordingHost;

// The parts of a run that end before any connection is made.
class tst_Driver : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void uncheckedGateDoesNothing();
    void settingsFailure_data();
    void settingsFailure();

private:
    std::unique_ptr<QTemporaryDir> m_appDir;
};

void tst_Driver::init()
{
    m_appDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_appDir->isValid());
}

void tst_Driver::uncheckedGateDoesNothing()
{
    RecordingHost host;
    host.setAppPath(m_appDir->path());
    host.setChecked(control::kChkCpuLoadMon, false);
    host.setText(control::kTxtCpuLoadThreshold, "abc");
    TestRunDriver(host).run();
    QVERIFY(host.events.isEmpty());
    QVERIFY(host.testEnabled);
    QVERIFY(!QFile::exists(m_appDir->filePath("ZU-TestCpuLoad.txt")));
}

void tst_Driver::settingsFailure_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("threshold letters") << control::kTxtCpuLoadThreshold << "abc"
                                       << "Avg .CPU Load: \"abc\" is not a number (Err Handler)";
    QTest::newRow("threshold empty") << control::kTxtCpuLoadThreshold << ""
                                     << "Avg .CPU Load: \"\" is not a number (Err Handler)";
    QTest::newRow("threshold out of range")
        << control::kTxtCpuLoadThreshold << "40000"
        << "Avg .CPU Load: 40000 is outside the range -32768 to 32767 (Err Handler)";
    QTest::newRow("occurrences letters") << control::kTxtCpuOverThreshold << "x1"
                                         << "Occurrences: \"x1\" is not a number (Err Handler)";
    QTest::newRow("occurrences huge") << control::kTxtCpuOverThreshold << "99999999999999999999999"
                                      << "Occurrences: 99999999999999999999999 is outside the "
                                         "range -32768 to 32767 (Err Handler)";
}

void tst_Driver::settingsFailure()
{
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(QString, message);

    RecordingHost host;
    host.setAppPath(m_appDir->path());
    host.setText(control, text);
    // A server that would answer must not be asked: a connection attempt would log a line.
    host.setText(control::kTxtOnlDbServer, "127.0.0.1,1");
    TestRunDriver(host).run();

    const QString logPath = m_appDir->filePath("ZU-TestCpuLoad.txt");
    QCOMPARE(host.events, QStringList({"enabled", "viewer:" + logPath, "warning:" + message}));
    QFile file(logPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\r\n"));
}

QTEST_GUILESS_MAIN(tst_Driver)
#include "tst_driver.moc"
