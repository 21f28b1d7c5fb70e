#include "SteppingClock.h"
#include "app/FrmMonitorSrvCpu.h"
#include "common/IntegerConversion.h"
#include "common/TickCounter.h"
#include "db/ConnectionTimeouts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace tovik::test {

// Takes the place of the desktop's viewer for file URLs.
class ViewerStandIn : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

signals:
    void opened();

public slots:
    void open(const QUrl &url)
    {
        urls << url;
        emit opened();
    }
};

// What the window answers when a test run asks it something through RunHost.
class tst_WindowHost : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void settingsOfTextBoxes_data();
    void settingsOfTextBoxes();
    void settingsOfLists_data();
    void settingsOfLists();
    void settingsAreReadWhenAsked();
    void monitorsCpuLoad();
    void setTestEnabled_data();
    void setTestEnabled();
    void showWarningIsModalExclamationWithOk();
    void openInViewerOpensTheFileUrl();
    void processEventsDeliversPendingEvents();
    void currentDateTimeReadsTheClock();
    void tickCountMovesForward();
    void clickWithGateUntickedChangesNothing();
    void clickRunsTheTestRun();

private:
    // A setting as the window answers it, as text; the failure's text for an alarm setting the
    // window refuses.
    QString settingText(const QString &setting) const;

    QString runLogPath() const
    {
        return QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("ZU-TestCpuLoad.txt"));
    }

    template<class Widget>
    Widget *child(const char *name) const
    {
        return m_window->findChild<Widget *>(QLatin1String(name));
    }

    SteppingClock m_clock {QDateTime(QDate(2016, 5, 19), QTime(14, 37, 12))};
    std::unique_ptr<FrmMonitorSrvCpu> m_window;
};

void tst_WindowHost::init()
{
    m_window = std::make_unique<FrmMonitorSrvCpu>([this] { return m_clock.read(); });
    m_window->show();
    m_window->startUp();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_WindowHost::cleanup()
{
    m_window.reset();
}

void tst_WindowHost::settingsOfTextBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("value");

    QTest::newRow("user") << QStringLiteral("txtOnlDbUser") << QStringLiteral("operator")
                          << QStringLiteral("user") << QStringLiteral("operator");
    QTest::newRow("password as typed, not masked")
        << QStringLiteral("txtOnlDbPass") << QStringLiteral("p4ss word")
        << QStringLiteral("password") << QStringLiteral("p4ss word");
    QTest::newRow("threshold in a frame, beyond 100")
        << QStringLiteral("txtCpuLoadThreshold") << QStringLiteral("150")
        << QStringLiteral("threshold") << QStringLiteral("150");
    QTest::newRow("threshold that is no number")
        << QStringLiteral("txtCpuLoadThreshold") << QStringLiteral("abc")
        << QStringLiteral("threshold") << IntegerConversion::int16Failure("Avg .CPU Load", "abc");
    QTest::newRow("occurrences") << QStringLiteral("txtCpuOverThreshold") << QStringLiteral("7")
                                 << QStringLiteral("occurrences") << QStringLiteral("7");
    QTest::newRow("timeout") << QStringLiteral("txtOnlConnTimeout") << QStringLiteral("3")
                             << QStringLiteral("timeout") << QStringLiteral("3");
    QTest::newRow("emptied timeout keeps the default")
        << QStringLiteral("txtOnlConnTimeout") << QString() << QStringLiteral("timeout")
        << QString::number(ConnectionTimeouts::kDefaultLoginSeconds);
}

void tst_WindowHost::settingsOfTextBoxes()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, setting);
    QFETCH(QString, value);

    auto *textBox = m_window->findChild<QLineEdit *>(name);
    QVERIFY(textBox);
    textBox->clear();
    QTest::keyClicks(textBox, typed);
    QCOMPARE(settingText(setting), value);
}

void tst_WindowHost::settingsOfLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("value");

    QTest::newRow("remote authentication")
        << QStringLiteral("cboOnlConnType") << 2 << QStringLiteral("authentication")
        << QStringLiteral("Remote SQL Authentication");
    QTest::newRow("monitoring start") << QStringLiteral("cboCpuMonTimeStart") << 0
                                      << QStringLiteral("start") << QStringLiteral("0");
    QTest::newRow("monitoring stop at midnight") << QStringLiteral("cboCpuMonTimeStop") << 23
                                                 << QStringLiteral("stop") << QStringLiteral("24");
}

void tst_WindowHost::settingsOfLists()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, setting);
    QFETCH(QString, value);

    auto *list = m_window->findChild<QComboBox *>(name);
    QVERIFY(list);
    list->setCurrentIndex(index);
    QCOMPARE(settingText(setting), value);
}

void tst_WindowHost::settingsAreReadWhenAsked()
{
    auto *threshold = child<QLineEdit>("txtCpuLoadThreshold");
    QCOMPARE(settingText(QStringLiteral("threshold")), QStringLiteral("4"));
    threshold->setText(QStringLiteral("60"));
    QCOMPARE(settingText(QStringLiteral("threshold")), QStringLiteral("60"));
    auto *server = child<QLineEdit>("txtOnlDbServer");
    server->setText(QStringLiteral("db1"));
    QCOMPARE(m_window->connectionFields().SqlDbServer, QStringLiteral("db1"));
}

void tst_WindowHost::monitorsCpuLoad()
{
    QVERIFY(!m_window->monitorsCpuLoad());
    QTest::mouseClick(child<QCheckBox>("chkCpuLoadMon"), Qt::LeftButton);
    QVERIFY(m_window->monitorsCpuLoad());
}

QString tst_WindowHost::settingText(const QString &setting) const
{
    const ConnectionFields fields = m_window->connectionFields();
    const QHash<QString, QString> connection {{QStringLiteral("user"), fields.SqlDbUser},
        {QStringLiteral("password"), fields.SqlDbPass},
        {QStringLiteral("authentication"), fields.SqlConnType},
        {QStringLiteral("timeout"), QString::number(m_window->loginTimeoutSeconds())}};
    if (connection.contains(setting))
        return connection.value(setting);
    QString failure;
    const auto alarm = m_window->alarmSetting(&failure);
    if (!alarm)
        return failure;
    const QHash<QString, qint16> values {{QStringLiteral("threshold"), alarm->threshold},
        {QStringLiteral("occurrences"), alarm->occurrences},
        {QStringLiteral("start"), alarm->monStartHour},
        {QStringLiteral("stop"), alarm->monStopHour}};
    return QString::number(values.value(setting));
}

void tst_WindowHost::setTestEnabled_data()
{
    QTest::addColumn<bool>("enabled");

    QTest::newRow("disabled") << false;
    QTest::newRow("enabled again") << true;
}

void tst_WindowHost::setTestEnabled()
{
    QFETCH(bool, enabled);

    auto *test = child<QPushButton>("cmdTest");
    test->setEnabled(!enabled);
    m_window->setTestEnabled(enabled);
    QCOMPARE(test->isEnabled(), enabled);
}

void tst_WindowHost::showWarningIsModalExclamationWithOk()
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget *parent = nullptr;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        closer.stop();
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    closer.start(10);

    m_window->showWarning(QStringLiteral("Login failed for user 'sa'. (Err Handler)"));

    QCOMPARE(title, QStringLiteral("Tovik SQL Tester"));
    QCOMPARE(text, QStringLiteral("Login failed for user 'sa'. (Err Handler)"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(parent, m_window.get());
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_WindowHost::openInViewerOpensTheFileUrl()
{
    ViewerStandIn viewer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "open");
    m_window->openInViewer(QStringLiteral("/tmp/run logs/ZU-TestCpuLoad.txt"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(viewer.urls.size(), 1);
    QCOMPARE(viewer.urls.first().toString(QUrl::FullyEncoded),
        QStringLiteral("file:///tmp/run%20logs/ZU-TestCpuLoad.txt"));
}

void tst_WindowHost::processEventsDeliversPendingEvents()
{
    bool delivered = false;
    QMetaObject::invokeMethod(
        this, [&delivered] { delivered = true; }, Qt::QueuedConnection);
    QVERIFY(!delivered);
    m_window->processEvents();
    QVERIFY(delivered);
}

void tst_WindowHost::currentDateTimeReadsTheClock()
{
    m_clock.setTime(QDateTime(QDate(2016, 5, 20), QTime(0, 20, 0)));
    QCOMPARE(m_window->currentDateTime(), QDateTime(QDate(2016, 5, 20), QTime(0, 20, 0)));
}

void tst_WindowHost::tickCountMovesForward()
{
    const quint32 start = m_window->tickCount();
    QThread::msleep(50);
    const quint32 elapsed = elapsedMs(start, m_window->tickCount());
    // The lower bound allows for the truncation of both readings to whole milliseconds.
    QVERIFY2(elapsed >= 49, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 60000, qPrintable(QString::number(elapsed)));
}

void tst_WindowHost::clickWithGateUntickedChangesNothing()
{
    ViewerStandIn viewer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "open");
    QFile::remove(runLogPath());
    QTimer watcher;
    bool boxShown = false;
    connect(&watcher, &QTimer::timeout, this, [&boxShown] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxShown = true;
            box->button(QMessageBox::Ok)->click();
        }
    });
    watcher.start(10);

    auto *test = child<QPushButton>("cmdTest");
    // The click's handler has run to its end when mouseClick returns: a box would have been
    // shown, and the log written, by then.
    QTest::mouseClick(test, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QVERIFY(test->isEnabled());
    QVERIFY(!boxShown);
    QVERIFY(viewer.urls.isEmpty());
    QVERIFY(!QFile::exists(runLogPath()));
}

void tst_WindowHost::clickRunsTheTestRun()
{
    // A threshold that is no number ends the run right after the gate, before any connection.
    QTest::mouseClick(child<QCheckBox>("chkCpuLoadMon"), Qt::LeftButton);
    auto *threshold = child<QLineEdit>("txtCpuLoadThreshold");
    threshold->clear();
    QTest::keyClicks(threshold, QStringLiteral("abc"));

    ViewerStandIn viewer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &viewer, "open");
    QFile::remove(runLogPath());
    QStringList seen;
    QString message;
    connect(&viewer, &ViewerStandIn::opened, this, [&seen] { seen << QStringLiteral("viewer"); });
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen << QStringLiteral("warning");
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    closer.start(10);

    QTest::mouseClick(child<QPushButton>("cmdTest"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(seen, QStringList({QStringLiteral("viewer"), QStringLiteral("warning")}));
    QVERIFY2(message.endsWith(QStringLiteral(" (Err Handler)")), qPrintable(message));
    QVERIFY(message.size() > QStringLiteral(" (Err Handler)").size());
    QCOMPARE(viewer.urls.size(), 1);
    QCOMPARE(viewer.urls.first().toLocalFile(), runLogPath());
    QFile log(runLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("\r\n"));
    log.close();
    QVERIFY(QFile::remove(runLogPath()));
    QVERIFY(child<QPushButton>("cmdTest")->isEnabled());
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_WindowHost)
#include "tst_windowhost.moc"
