#include "KerberosRealm.h"
#include "RunLogFile.h"
#include "SampleData.h"
#include "SampleServer.h"
#include "app/FrmMonitorSrvCpu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace tovik::test {

// Stands in for the desktop's viewer of file URLs.
class ViewerRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

// A click on Test in the real window, against sample data served over the wire protocol.
class tst_WindowRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void clickRunsTheWholeTest_data();
    void clickRunsTheWholeTest();

private:
    void setText(const char *name, const QString &text);
    void choose(const char *name, const QString &entry);

    QTemporaryDir m_data;
    std::unique_ptr<KerberosRealm> m_realm;
    QString m_noRealm;
    std::unique_ptr<SampleServer> m_server;
    std::unique_ptr<FrmMonitorSrvCpu> m_window;
    // The first run's log, its connection lines and timings left out.
    QString m_firstLog;
    ViewerRecorder m_viewer;
};

void tst_WindowRun::initTestCase()
{
    QString error;
    QVERIFY2(generateSampleData(m_data.path(), {"--layout", "online", "--seed", "7"}, &error),
        qPrintable(error));
    SampleServer::Options options;
    options.dataDir = m_data.path();
    m_noRealm = KerberosRealm::unavailableReason();
    if (m_noRealm.isEmpty()) {
        m_realm = std::make_unique<KerberosRealm>();
        QVERIFY2(m_realm->start(&error), qPrintable(error));
        QVERIFY2(m_realm->obtainTicket(KerberosRealm::kUser, &error), qPrintable(error));
        options.kerberosKeytab = m_realm->keytab();
        options.windowsLogins = {m_realm->principal(KerberosRealm::kUser)};
    }
    m_server = std::make_unique<SampleServer>(options);
    QVERIFY2(m_server->start(&error), qPrintable(error));
    if (m_realm) {
        QVERIFY2(
            m_realm->addService("MSSQLSvc/localhost:" + QString::number(m_server->port()), &error),
            qPrintable(error));
    }
    QDesktopServices::setUrlHandler("file", &m_viewer, "open");
}

void tst_WindowRun::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("file");
    m_window.reset();
    m_server.reset();
    m_realm.reset();
}

void tst_WindowRun::setText(const char *name, const QString &text)
{
    auto *box = m_window->findChild<QLineEdit *>(name);
    QVERIFY(box);
    box->setText(text);
}

void tst_WindowRun::choose(const char *name, const QString &entry)
{
    auto *list = m_window->findChild<QComboBox *>(name);
    QVERIFY(list);
    const int index = list->findText(entry);
    QVERIFY(index >= 0);
    list->setCurrentIndex(index);
}

void tst_WindowRun::clickRunsTheWholeTest_data()
{
    QTest::addColumn<QString>("mode");
    // %1 stands for the server's port.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("connection");

    QTest::newRow("remote SQL login")
        << "Remote SQL Authentication"
        << "127.0.0.1"
        << "Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=127.0.0.1,%1;Initial "
           "Catalog=SNMPCONLINE;User Id=sa;Password=";
    // A Kerberos ticket from a throwaway realm; the run is the SQL login's.
    QTest::newRow("Windows Authentication")
        << "Windows Authentication"
        << "localhost,%1"
        << "Provider=SQLOLEDB;Data Source=localhost,%1;Initial Catalog=SNMPCONLINE;Integrated "
           "Security=SSPI";
}

void tst_WindowRun::clickRunsTheWholeTest()
{
    QFETCH(QString, mode);
    QFETCH(QString, server);
    QFETCH(QString, connection);
    if (mode == "Windows Authentication" && !m_realm)
        QSKIP(qPrintable("no Kerberos realm here: " + m_noRealm));
    const QString port = QString::number(m_server->port());

    m_window = std::make_unique<FrmMonitorSrvCpu>();
    m_window->show();
    m_window->startUp();
    const QString logPath = QDir(m_window->appPath()).filePath("ZU-TestCpuLoad.txt");
    QFile::remove(logPath);

    choose("cboOnlConnType", mode);
    setText("txtOnlDbServer", QString(server).replace("%1", port));
    setText("txtOnlDbPort", port);
    // The whole day is monitored, so the examined hour always lies inside it.
    choose("cboCpuMonTimeStart", "00:00");
    choose("cboCpuMonTimeStop", "24:00");
    m_window->findChild<QCheckBox *>("chkCpuLoadMon")->setChecked(true);
    auto *test = m_window->findChild<QPushButton *>("cmdTest");
    QTest::mouseClick(test, Qt::LeftButton);

    QCOMPARE(m_viewer.urls, QList<QUrl> {QUrl::fromLocalFile(logPath)});
    m_viewer.urls.clear();
    QVERIFY(test->isEnabled());
    const QString log = readRunLogFile(m_window->appPath());
    QFile::remove(logPath);
    const QString shown = QString(connection).replace("%1", port);
    QVERIFY2(log.startsWith("Connect OK to " + shown + "\r\n"), qPrintable(log.left(300)));
    QVERIFY(log.contains("\r\nSqlExpress: False (we need to check for more db on the Server)\r\n"));
    QVERIFY(log.contains("*** Get All uniq node_id's with a cpu value >= cpu threshold ***"));
    QVERIFY(log.contains("\r\nDevices caught by Threshold Conditions.\r\n"));
    QVERIFY(log.endsWith("\r\n\r\n"));
    const QString rest = withoutTimings(log).replace(shown, "<connection>");
    if (m_firstLog.isEmpty())
        m_firstLog = rest;
    else
        QCOMPARE(rest, m_firstLog);
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_WindowRun)
#include "tst_windowrun.moc"
