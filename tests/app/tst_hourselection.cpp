#include "SteppingClock.h"
#include "app/FrmMonitorSrvCpu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimeZone>
#include <memory>

namespace tovik::test {

namespace {

QDateTime at(int year, int month, int day, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec));
}

// The reference time is a wall-clock value: the local date and time of day, held without a zone.
QDateTime wallClockAt(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

} // namespace

// Start-up defaults and the hour selection that fixes the reference time of a run.
class tst_HourSelection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void defaultsAfterStartUp_data();
    void defaultsAfterStartUp();
    void startUpFixesTheReferenceTime();
    void startUpStoresTheProgramDirectory();
    void startUpReadsTheHourAgainAtTheEnd();
    void selection_data();
    void selection();
    void selectionByKeyboard();
    void selectionReadsTheClockTwice();
    void referenceTimeDoesNotFollowTheClock();
    void handEditedDisplayChangesNothing();

private:
    void openWindow(const QDateTime &now);
    QString text(const QString &name) const;
    QComboBox *plusHour() const;

    SteppingClock m_clock;
    std::unique_ptr<FrmMonitorSrvCpu> m_window;
};

void tst_HourSelection::initTestCase()
{
    // The general date format follows the locale; a fixed one makes it known: "dd.MM.yy HH:mm:ss".
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void tst_HourSelection::cleanup()
{
    m_window.reset();
}

void tst_HourSelection::openWindow(const QDateTime &now)
{
    m_clock.setTime(now);
    m_window = std::make_unique<FrmMonitorSrvCpu>([this] { return m_clock.read(); });
    m_window->show();
    m_window->startUp();
}

QString tst_HourSelection::text(const QString &name) const
{
    const QWidget *widget = m_window->findChild<QWidget *>(name);
    if (const auto *textBox = qobject_cast<const QLineEdit *>(widget))
        return textBox->text();
    if (const auto *list = qobject_cast<const QComboBox *>(widget))
        return list->currentText();
    return QStringLiteral("<no text>");
}

QComboBox *tst_HourSelection::plusHour() const
{
    return m_window->findChild<QComboBox *>(QStringLiteral("cboPlusHour"));
}

void tst_HourSelection::defaultsAfterStartUp_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *name, const char *text) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text);
    };
    row("cboOnlConnType", "Windows Authentication");
    row("txtOnlDbPort", "1433");
    row("txtOnlDatabase", "SNMPCONLINE");
    row("txtOnlConnTimeout", "15");
    row("txtOnlDbUser", "sa");
    row("txtOnlDbPass", "");
    row("txtDate", "19.05.16 07:05:09");
    row("cboPlusHour", "0");
    row("txtCurrentHour", "7");
    row("cboCpuMonTimeStart", "06:00");
    row("cboCpuMonTimeStop", "23:00");
    row("txtCpuLoadThreshold", "4");
    row("txtCpuOverThreshold", "1");
}

void tst_HourSelection::defaultsAfterStartUp()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    openWindow(at(2016, 5, 19, 7, 5, 9, 250));
    QCOMPARE(this->text(name), text);
    QVERIFY(!m_window->findChild<QCheckBox *>(QStringLiteral("chkCpuLoadMon"))->isChecked());
}

void tst_HourSelection::startUpFixesTheReferenceTime()
{
    openWindow(at(2016, 5, 19, 7, 5, 9, 250));
    QCOMPARE(m_window->currentHour(), qint16(7));
    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 19, 7, 5, 9));
}

void tst_HourSelection::startUpStoresTheProgramDirectory()
{
    openWindow(at(2016, 5, 19, 7, 5, 9));
    const QString directory = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    QCOMPARE(m_window->appPath(), directory);
    QVERIFY(!m_window->appPath().endsWith(QDir::separator()));
}

void tst_HourSelection::startUpReadsTheHourAgainAtTheEnd()
{
    // Readings: the first date text, the hour selection's two, and the closing hour.
    m_clock.setTimes({at(2016, 5, 19, 10, 59, 58), at(2016, 5, 19, 10, 59, 59),
        at(2016, 5, 19, 10, 59, 59), at(2016, 5, 19, 11, 0, 1)});
    m_window = std::make_unique<FrmMonitorSrvCpu>([this] { return m_clock.read(); });
    m_window->show();
    m_window->startUp();

    QCOMPARE(m_clock.readings(), 4);
    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 19, 10, 59, 59));
    QCOMPARE(m_window->currentHour(), qint16(11));
    QCOMPARE(text(QStringLiteral("txtCurrentHour")), QStringLiteral("11"));
    QCOMPARE(text(QStringLiteral("txtDate")), QStringLiteral("19.05.16 10:59:59"));
}

void tst_HourSelection::selection_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("currentHour");
    QTest::addColumn<QDateTime>("referenceTime");
    QTest::addColumn<QString>("date");

    QTest::newRow("x 3 at 01:30 is 22:30 the day before")
        << at(2016, 5, 19, 1, 30, 45, 678) << 3 << QStringLiteral("22")
        << wallClockAt(2016, 5, 18, 22, 30, 45) << QStringLiteral("18.05.16 22:30:45");
    QTest::newRow("x 0 is the present moment to the second")
        << at(2016, 5, 19, 14, 37, 12, 999) << 0 << QStringLiteral("14")
        << wallClockAt(2016, 5, 19, 14, 37, 12) << QStringLiteral("19.05.16 14:37:12");
    QTest::newRow("x above the present hour gives 24 - (x - hour)")
        << at(2016, 5, 19, 5, 10, 0) << 7 << QStringLiteral("22")
        << wallClockAt(2016, 5, 18, 22, 10, 0) << QStringLiteral("18.05.16 22:10:00");
    QTest::newRow("one digit hour has no leading zero")
        << at(2016, 5, 19, 9, 15, 30) << 2 << QStringLiteral("7")
        << wallClockAt(2016, 5, 19, 7, 15, 30) << QStringLiteral("19.05.16 07:15:30");
    QTest::newRow("hour zero shows 0")
        << at(2016, 5, 19, 3, 45, 0) << 3 << QStringLiteral("0")
        << wallClockAt(2016, 5, 19, 0, 45, 0) << QStringLiteral("19.05.16 00:45:00");
    QTest::newRow("x 23 at midnight")
        << at(2016, 5, 19, 0, 0, 0) << 23 << QStringLiteral("1")
        << wallClockAt(2016, 5, 18, 1, 0, 0) << QStringLiteral("18.05.16 01:00:00");
    QTest::newRow("into the previous year")
        << at(2016, 1, 1, 0, 20, 0) << 1 << QStringLiteral("23")
        << wallClockAt(2015, 12, 31, 23, 20, 0) << QStringLiteral("31.12.15 23:20:00");
    QTest::newRow("back onto a leap day")
        << at(2016, 3, 1, 2, 0, 0) << 5 << QStringLiteral("21")
        << wallClockAt(2016, 2, 29, 21, 0, 0) << QStringLiteral("29.02.16 21:00:00");
}

void tst_HourSelection::selection()
{
    QFETCH(QDateTime, now);
    QFETCH(int, offset);
    QFETCH(QString, currentHour);
    QFETCH(QDateTime, referenceTime);
    QFETCH(QString, date);

    openWindow(now);
    plusHour()->setCurrentIndex(offset);

    QCOMPARE(text(QStringLiteral("cboPlusHour")), QString::number(offset));
    QCOMPARE(text(QStringLiteral("txtCurrentHour")), currentHour);
    QCOMPARE(QString::number(m_window->currentHour()), currentHour);
    QCOMPARE(m_window->referenceTime(), referenceTime);
    QCOMPARE(text(QStringLiteral("txtDate")), date);
}

void tst_HourSelection::selectionByKeyboard()
{
    openWindow(at(2016, 5, 19, 1, 30, 45));
    plusHour()->setFocus();
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(plusHour(), Qt::Key_Down);

    QCOMPARE(text(QStringLiteral("cboPlusHour")), QStringLiteral("3"));
    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 18, 22, 30, 45));
    QCOMPARE(text(QStringLiteral("txtCurrentHour")), QStringLiteral("22"));
}

void tst_HourSelection::selectionReadsTheClockTwice()
{
    openWindow(at(2016, 5, 19, 10, 0, 0));
    // An hour boundary passes between the reading for the hour and the one for the reference.
    m_clock.setTimes({at(2016, 5, 19, 10, 59, 59, 900), at(2016, 5, 19, 11, 0, 0, 100)});
    plusHour()->setCurrentIndex(1);

    QCOMPARE(m_clock.readings(), 2);
    QCOMPARE(m_window->currentHour(), qint16(9));
    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 19, 10, 0, 0));
}

void tst_HourSelection::referenceTimeDoesNotFollowTheClock()
{
    openWindow(at(2016, 5, 19, 14, 37, 12));
    m_clock.setTime(at(2016, 5, 19, 16, 50, 0));
    QCoreApplication::processEvents();
    // Choosing the entry that is already selected raises no selection in this toolkit.
    plusHour()->setCurrentIndex(0);

    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 19, 14, 37, 12));
    QCOMPARE(text(QStringLiteral("txtCurrentHour")), QStringLiteral("14"));
    QCOMPARE(text(QStringLiteral("txtDate")), QStringLiteral("19.05.16 14:37:12"));

    plusHour()->setCurrentIndex(1);
    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 19, 15, 50, 0));
}

void tst_HourSelection::handEditedDisplayChangesNothing()
{
    openWindow(at(2016, 5, 19, 14, 37, 12));
    auto *date = m_window->findChild<QLineEdit *>(QStringLiteral("txtDate"));
    auto *hour = m_window->findChild<QLineEdit *>(QStringLiteral("txtCurrentHour"));
    date->clear();
    QTest::keyClicks(date, QStringLiteral("01.01.20 00:00"));
    hour->clear();
    QTest::keyClicks(hour, QStringLiteral("3"));

    QCOMPARE(m_window->referenceTime(), wallClockAt(2016, 5, 19, 14, 37, 12));
    QCOMPARE(m_window->currentHour(), qint16(14));
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_HourSelection)
#include "tst_hourselection.moc"
