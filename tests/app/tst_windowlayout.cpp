#include "app/FrmMonitorSrvCpu.h"
#include "app/ControlNames.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSysInfo>
#include <QTest>
#include <memory>

namespace tovik::test {

namespace {

QString shownCaption(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (const auto *textBox = qobject_cast<const QLineEdit *>(widget))
        return textBox->text();
    return QStringLiteral("<no caption>");
}

} // namespace

// What the window looks like before start-up touches it: controls, captions, places, tab order.
class tst_WindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlKind_data();
    void controlKind();
    void hostReadsTheWindowsControls_data();
    void hostReadsTheWindowsControls();
    void caption_data();
    void caption();
    void defaultServerIsThisMachinesInstance();
    void listEntries_data();
    void listEntries();
    void geometry_data();
    void geometry();
    void clientAreaIsFixed();
    void windowCaption();
    void passwordShowsOnlyAsterisks();
    void currentHourHasButtonFace();
    void testHasFocusOnOpening();
    void tabOrder();

private:
    QWidget *control(const QString &name) const;

    std::unique_ptr<FrmMonitorSrvCpu> m_window;
};

void tst_WindowLayout::initTestCase()
{
    // The pixel rows below are the twips of the layout divided by 15, which holds at 96 DPI.
    FrmMonitorSrvCpu probe;
    QCOMPARE(probe.logicalDpiX(), 96);
    QCOMPARE(probe.logicalDpiY(), 96);
}

void tst_WindowLayout::init()
{
    m_window = std::make_unique<FrmMonitorSrvCpu>();
}

void tst_WindowLayout::cleanup()
{
    m_window.reset();
}

// The names a run reads its settings by are the window's own, so that no read finds nothing.
void tst_WindowLayout::hostReadsTheWindowsControls_data()
{
    QTest::addColumn<QString>("readName");
    QTest::addColumn<QString>("windowName");

    QTest::newRow("cboOnlConnType") << control::kCboOnlConnType << QStringLiteral("cboOnlConnType");
    QTest::newRow("txtOnlDbServer") << control::kTxtOnlDbServer << QStringLiteral("txtOnlDbServer");
    QTest::newRow("txtOnlDbPort") << control::kTxtOnlDbPort << QStringLiteral("txtOnlDbPort");
    QTest::newRow("txtOnlDatabase") << control::kTxtOnlDatabase << QStringLiteral("txtOnlDatabase");
    QTest::newRow("txtOnlConnTimeout")
        << control::kTxtOnlConnTimeout << QStringLiteral("txtOnlConnTimeout");
    QTest::newRow("txtOnlDbUser") << control::kTxtOnlDbUser << QStringLiteral("txtOnlDbUser");
    QTest::newRow("txtOnlDbPass") << control::kTxtOnlDbPass << QStringLiteral("txtOnlDbPass");
    QTest::newRow("chkCpuLoadMon") << control::kChkCpuLoadMon << QStringLiteral("chkCpuLoadMon");
    QTest::newRow("cboCpuMonTimeStart")
        << control::kCboCpuMonTimeStart << QStringLiteral("cboCpuMonTimeStart");
    QTest::newRow("cboCpuMonTimeStop")
        << control::kCboCpuMonTimeStop << QStringLiteral("cboCpuMonTimeStop");
    QTest::newRow("txtCpuLoadThreshold")
        << control::kTxtCpuLoadThreshold << QStringLiteral("txtCpuLoadThreshold");
    QTest::newRow("txtCpuOverThreshold")
        << control::kTxtCpuOverThreshold << QStringLiteral("txtCpuOverThreshold");
}

void tst_WindowLayout::hostReadsTheWindowsControls()
{
    QFETCH(QString, readName);
    QFETCH(QString, windowName);

    QCOMPARE(readName, windowName);
    QVERIFY(control(readName));
}

QWidget *tst_WindowLayout::control(const QString &name) const
{
    return m_window->findChild<QWidget *>(name);
}

void tst_WindowLayout::controlKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");

    const QString window = QStringLiteral("frmMonitorSrvCpu");
    const auto row = [](const char *name, const char *kind, const QString &parent) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << parent;
    };
    row("lblSqlConnType", "QLabel", window);
    row("cboOnlConnType", "QComboBox", window);
    row("lblSqlDbServer", "QLabel", window);
    row("txtOnlDbServer", "QLineEdit", window);
    row("txtOnlDbPort", "QLineEdit", window);
    row("lblSqlDatabase", "QLabel", window);
    row("txtOnlDatabase", "QLineEdit", window);
    row("lblSqlConnTimeout", "QLabel", window);
    row("txtOnlConnTimeout", "QLineEdit", window);
    row("lblSqlDbUser", "QLabel", window);
    row("txtOnlDbUser", "QLineEdit", window);
    row("lblSqlDbPass", "QLabel", window);
    row("txtOnlDbPass", "QLineEdit", window);
    row("Line1", "QFrame", window);
    row("lblDate", "QLabel", window);
    row("txtDate", "QLineEdit", window);
    row("lblPlusHour", "QLabel", window);
    row("cboPlusHour", "QComboBox", window);
    row("lblCurrentHour", "QLabel", window);
    row("txtCurrentHour", "QLineEdit", window);
    row("chkCpuLoadMon", "QCheckBox", window);
    row("fraMonTime", "QGroupBox", window);
    row("lblMonStartTime", "QLabel", QStringLiteral("fraMonTime"));
    row("cboCpuMonTimeStart", "QComboBox", QStringLiteral("fraMonTime"));
    row("lblMonStopTime", "QLabel", QStringLiteral("fraMonTime"));
    row("cboCpuMonTimeStop", "QComboBox", QStringLiteral("fraMonTime"));
    row("fraThreshold", "QGroupBox", window);
    row("lblCpuLoad", "QLabel", QStringLiteral("fraThreshold"));
    row("txtCpuLoadThreshold", "QLineEdit", QStringLiteral("fraThreshold"));
    row("lblPercent", "QLabel", QStringLiteral("fraThreshold"));
    row("lblOccurrences", "QLabel", QStringLiteral("fraThreshold"));
    row("txtCpuOverThreshold", "QLineEdit", QStringLiteral("fraThreshold"));
    row("Line2", "QFrame", window);
    row("cmdTest", "QPushButton", window);
}

void tst_WindowLayout::controlKind()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, parent);

    const QWidget *widget = control(name);
    QVERIFY2(widget, qPrintable(name + QStringLiteral(" is missing")));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    if (kind == QLatin1String("QFrame"))
        QCOMPARE(static_cast<const QFrame *>(widget)->frameShape(), QFrame::HLine);
}

void tst_WindowLayout::caption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *name, const char *text) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text);
    };
    row("lblSqlConnType", "Authentication:");
    row("lblSqlDbServer", "Server:");
    row("txtOnlDbPort", "1433");
    row("lblSqlDatabase", "Database:");
    row("txtOnlDatabase", "SNMPCONLINE");
    row("lblSqlConnTimeout", "Timeout:");
    row("txtOnlConnTimeout", "15");
    row("lblSqlDbUser", "User Name:");
    row("txtOnlDbUser", "sa");
    row("lblSqlDbPass", "Password:");
    row("txtOnlDbPass", "");
    row("lblDate", "Date:");
    row("txtDate", "2016-05-19");
    row("lblPlusHour", "Now - x Hour:");
    row("lblCurrentHour", "Current Hour:");
    row("txtCurrentHour", "12");
    row("chkCpuLoadMon", "CPU Load Monitoring");
    row("fraMonTime", "Monitoring Time");
    row("lblMonStartTime", "Start:");
    row("lblMonStopTime", "Stop:");
    row("fraThreshold", "Threshold Value For One Hour");
    row("lblCpuLoad", "Avg .CPU Load:");
    row("txtCpuLoadThreshold", "4");
    row("lblPercent", "%");
    row("lblOccurrences", "Occurrences:");
    row("txtCpuOverThreshold", "1");
    row("cmdTest", "Test");
}

void tst_WindowLayout::caption()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    const QWidget *widget = control(name);
    QVERIFY2(widget, qPrintable(name + QStringLiteral(" is missing")));
    QCOMPARE(shownCaption(widget), text);
}

void tst_WindowLayout::defaultServerIsThisMachinesInstance()
{
    const QString host = QSysInfo::machineHostName();
    QVERIFY(!host.isEmpty());
    QCOMPARE(shownCaption(control(QStringLiteral("txtOnlDbServer"))),
        host + QStringLiteral("\\SNMPCONLINE"));
}

void tst_WindowLayout::listEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("cboOnlConnType") << QStringLiteral("cboOnlConnType")
                                    << QStringList {"Windows Authentication",
                                           "Local SQL Authentication", "Remote SQL Authentication"};
    QTest::newRow("cboPlusHour") << QStringLiteral("cboPlusHour")
                                 << QStringList {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                        "10", "11", "12", "13", "14", "15", "16", "17", "18", "19",
                                        "20", "21", "22", "23"};
    QTest::newRow("cboCpuMonTimeStart")
        << QStringLiteral("cboCpuMonTimeStart")
        << QStringList {"00:00", "01:00", "02:00", "03:00", "04:00", "05:00", "06:00", "07:00",
               "08:00", "09:00", "10:00", "11:00", "12:00", "13:00", "14:00", "15:00", "16:00",
               "17:00", "18:00", "19:00", "20:00", "21:00", "22:00", "23:00"};
    QTest::newRow("cboCpuMonTimeStop")
        << QStringLiteral("cboCpuMonTimeStop")
        << QStringList {"01:00", "02:00", "03:00", "04:00", "05:00", "06:00", "07:00", "08:00",
               "09:00", "10:00", "11:00", "12:00", "13:00", "14:00", "15:00", "16:00", "17:00",
               "18:00", "19:00", "20:00", "21:00", "22:00", "23:00", "24:00"};
}

void tst_WindowLayout::listEntries()
{
    QFETCH(QString, name);
    QFETCH(QStringList, entries);

    const auto *list = qobject_cast<QComboBox *>(control(name));
    QVERIFY(list);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i);
    QCOMPARE(shown, entries);
    // Only the entries can be chosen; nothing typed reaches a run.
    QVERIFY(!list->isEditable());
}

void tst_WindowLayout::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");

    const auto row = [](const char *name, int left, int top, int width, int height) {
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(left, top, width, height);
    };
    row("lblSqlConnType", 16, 16, 73, 17);
    row("cboOnlConnType", 16, 32, 257, 21);
    row("lblSqlDbServer", 16, 64, 57, 17);
    row("txtOnlDbServer", 16, 80, 217, 19);
    row("txtOnlDbPort", 240, 80, 33, 19);
    row("lblSqlDatabase", 16, 112, 81, 17);
    row("txtOnlDatabase", 16, 128, 169, 19);
    row("lblSqlConnTimeout", 200, 132, 41, 17);
    row("txtOnlConnTimeout", 248, 128, 25, 19);
    row("lblSqlDbUser", 320, 16, 65, 17);
    row("txtOnlDbUser", 320, 32, 137, 19);
    row("lblSqlDbPass", 320, 64, 65, 17);
    row("txtOnlDbPass", 320, 80, 137, 19);
    // A line is a two-pixel sunken rule whose top edge lies on the line's y.
    row("Line1", 16, 160, 488, 2);
    row("lblDate", 16, 176, 33, 17);
    // 2600 twips are 173 1/3 pixels.
    row("txtDate", 48, 173, 153, 19);
    row("lblPlusHour", 216, 176, 73, 17);
    row("cboPlusHour", 296, 173, 41, 21);
    row("lblCurrentHour", 368, 176, 65, 17);
    row("txtCurrentHour", 440, 173, 33, 19);
    row("chkCpuLoadMon", 16, 208, 137, 17);
    row("fraMonTime", 16, 240, 241, 57);
    row("lblMonStartTime", 16, 28, 25, 17);
    row("cboCpuMonTimeStart", 48, 24, 53, 21);
    row("lblMonStopTime", 128, 28, 33, 17);
    row("cboCpuMonTimeStop", 160, 24, 53, 21);
    row("fraThreshold", 272, 208, 233, 89);
    row("lblCpuLoad", 16, 28, 81, 17);
    row("txtCpuLoadThreshold", 104, 24, 33, 19);
    row("lblPercent", 144, 28, 17, 17);
    row("lblOccurrences", 16, 56, 65, 17);
    row("txtCpuOverThreshold", 104, 56, 33, 19);
    row("Line2", 16, 312, 488, 2);
    row("cmdTest", 208, 328, 113, 25);
}

void tst_WindowLayout::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);

    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QWidget *widget = control(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), pixels);
}

void tst_WindowLayout::clientAreaIsFixed()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_window->size(), QSize(522, 365));
    QCOMPARE(m_window->minimumSize(), QSize(522, 365));
    QCOMPARE(m_window->maximumSize(), QSize(522, 365));
}

void tst_WindowLayout::windowCaption()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("frmMonitorSrvCpu"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("  Tovik SQL Tester"));
}

void tst_WindowLayout::passwordShowsOnlyAsterisks()
{
    auto *password = qobject_cast<QLineEdit *>(control(QStringLiteral("txtOnlDbPass")));
    QVERIFY(password);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTest::keyClicks(password, QStringLiteral("s3cr et"));
    QCOMPARE(password->text(), QStringLiteral("s3cr et"));
    QCOMPARE(password->displayText(), QStringLiteral("*******"));
}

void tst_WindowLayout::currentHourHasButtonFace()
{
    const QWidget *currentHour = control(QStringLiteral("txtCurrentHour"));
    QVERIFY(currentHour);
    const QColor buttonFace = m_window->palette().color(QPalette::Button);
    QCOMPARE(currentHour->palette().color(QPalette::Base), buttonFace);
    // Only this box: the others keep the ordinary input background.
    QVERIFY(control(QStringLiteral("txtDate"))->palette().color(QPalette::Base) != buttonFace);
}

void tst_WindowLayout::testHasFocusOnOpening()
{
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdTest"));
}

void tst_WindowLayout::tabOrder()
{
    const QStringList expected {"txtOnlConnTimeout", "txtOnlDbPort", "txtOnlDbPass", "txtOnlDbUser",
        "txtOnlDatabase", "txtOnlDbServer", "cboOnlConnType", "txtDate", "txtCpuLoadThreshold",
        "txtCpuOverThreshold", "txtCurrentHour", "cboPlusHour", "chkCpuLoadMon",
        "cboCpuMonTimeStart", "cboCpuMonTimeStop", "cmdTest"};

    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_WindowLayout)
#include "tst_windowlayout.moc"
