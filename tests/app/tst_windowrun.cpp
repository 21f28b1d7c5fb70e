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
    void clickRunsTheWholeTest();

private:
    void setText(const char *name, const QString &text);
    void choose(const char *name, const QString &entry);

    QTemporaryDir m_data;
    std::unique_ptr<SampleServer> m_server;
    std::unique_ptr<FrmMonitorSrvCpu> m_window;
    ViewerRecorder m_viewer;
};

void tst_WindowRun::initTestCase()
{
    QString error;
    QVERIFY2(generateSampleData(m_data.path(), {"--layout", "online", "--seed", "7"}, &error),
        qPrintable(error));
    SampleServer::Options options;
    options.dataDir = m_data.path();
    m_server = std::make_unique<SampleServer>(options);
    QVERIFY2(m_server->start(&error), qPrintable(error));
    QDesktopServices::setUrlHandler("file", &m_viewer, "open");
}

void tst_WindowRun::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("file");
    m_window.reset();
    m_server.reset();
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

void tst_WindowRun::clickRunsTheWholeTest()
{
    m_window = std::make_unique<FrmMonitorSrvCpu>();
    m_window->show();
    m_window->startUp();
    const QString logPath = QDir(m_window->appPath()).filePath("ZU-TestCpuLoad.txt");
    QFile::remove(logPath);

    choose("cboOnlConnType", "Remote SQL Authentication");
    setText("txtOnlDbServer", "127.0.0.1");
    setText("txtOnlDbPort", QString::number(m_server->port()));
    // The whole day is monitored, so the examined hour always lies inside it.
    choose("cboCpuMonTimeStart", "00:00");
    choose("cboCpuMonTimeStop", "24:00");
    m_window->findChild<QCheckBox *>("chkCpuLoadMon")->setChecked(true);
    auto *test = m_window->findChild<QPushButton *>("cmdTest");
    QTest::mouseClick(test, Qt::LeftButton);

    QCOMPARE(m_viewer.urls, QList<QUrl> {QUrl::fromLocalFile(logPath)});
    QVERIFY(test->isEnabled());
    const QString log = readRunLogFile(m_window->appPath());
    QFile::remove(logPath);
    QVERIFY2(log.startsWith("Connect OK to Provider=SQLOLEDB;Network Library=DBMSSOCN;Data "
                            "Source=127.0.0.1,"
                 + QString::number(m_server->port())
                 + ";Initial Catalog=SNMPCONLINE;User Id=sa;Password=\r\n"),
        qPrintable(log.left(300)));
    QVERIFY(log.contains("\r\nSqlExpress: False (we need to check for more db on the Server)\r\n"));
    QVERIFY(log.contains("*** Get All uniq node_id's with a cpu value >= cpu threshold ***"));
    QVERIFY(log.contains("\r\nDevices caught by Threshold Conditions.\r\n"));
    QVERIFY(log.endsWith("\r\n\r\n"));
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_WindowRun)
#include "tst_windowrun.moc"
