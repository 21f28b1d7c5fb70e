#include "SteppingClock.h"
#include "app/FrmMonitorSrvCpu.h"
#include "testrun/HourWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimeZone>
#include <memory>

namespace tovik::test {

namespace {

// A moment given in UTC, seen on the local clock; the only way to name one of the two 02:30s
// of the autumn day.
QDateTime localAt(int month, int day, int utcHour, int minute)
{
    return QDateTime(QDate(2026, month, day), QTime(utcHour, minute), QTimeZone::utc())
        .toLocalTime();
}

} // namespace

// The examined hour around daylight-saving change-overs, on Europe/Berlin's clock (CTest sets
// TZ): summer time starts on 2026-03-29 at 02:00 CET (02:00 to 03:00 never shows) and ends on
// 2026-10-25 at 03:00 CEST (02:00 to 03:00 shows twice).
class tst_DaylightSaving : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void hourSelection_data();
    void hourSelection();
    void monitoringTimeTestsTheWallClockHour_data();
    void monitoringTimeTestsTheWallClockHour();

private:
    SteppingClock m_clock;
    std::unique_ptr<FrmMonitorSrvCpu> m_window;
};

void tst_DaylightSaving::initTestCase()
{
    // Without the zone every row would pass on a clock that never changes over.
    QCOMPARE(QTimeZone::systemTimeZoneId(), QByteArray("Europe/Berlin"));
    QCOMPARE(localAt(3, 29, 0, 30).time(), QTime(1, 30));
    QCOMPARE(localAt(3, 29, 1, 30).time(), QTime(3, 30));
    QCOMPARE(localAt(10, 25, 0, 30).time(), localAt(10, 25, 1, 30).time());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void tst_DaylightSaving::cleanup()
{
    m_window.reset();
}

void tst_DaylightSaving::hourSelection_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("currentHour");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");

    QTest::newRow("spring 03:30, the hour before is the one that never shows")
        << localAt(3, 29, 1, 30) << 0 << "3"
        << "29.03.26 03:30:00"
        << "2026-03-29 02:00:00"
        << "2026-03-29 03:00:00";
    QTest::newRow("spring 03:30, x 1 lands in the hour that never shows")
        << localAt(3, 29, 1, 30) << 1 << "2"
        << "29.03.26 02:30:00"
        << "2026-03-29 01:00:00"
        << "2026-03-29 02:00:00";
    QTest::newRow("spring 04:10, x 3 crosses the change-over") << localAt(3, 29, 2, 10) << 3 << "1"
                                                               << "29.03.26 01:10:00"
                                                               << "2026-03-29 00:00:00"
                                                               << "2026-03-29 01:00:00";
    QTest::newRow("autumn 02:30, first pass") << localAt(10, 25, 0, 30) << 0 << "2"
                                              << "25.10.26 02:30:00"
                                              << "2026-10-25 01:00:00"
                                              << "2026-10-25 02:00:00";
    QTest::newRow("autumn 02:30, second pass") << localAt(10, 25, 1, 30) << 0 << "2"
                                               << "25.10.26 02:30:00"
                                               << "2026-10-25 01:00:00"
                                               << "2026-10-25 02:00:00";
    QTest::newRow("autumn 03:30, after the second pass") << localAt(10, 25, 2, 30) << 0 << "3"
                                                         << "25.10.26 03:30:00"
                                                         << "2026-10-25 02:00:00"
                                                         << "2026-10-25 03:00:00";
    QTest::newRow("autumn 03:15, x 2 crosses the repeated hour")
        << localAt(10, 25, 2, 15) << 2 << "1"
        << "25.10.26 01:15:00"
        << "2026-10-25 00:00:00"
        << "2026-10-25 01:00:00";
    QTest::newRow("autumn 00:40 next day, x 23 crosses it back to the day before")
        << localAt(10, 25, 23, 40) << 23 << "1"
        << "25.10.26 01:40:00"
        << "2026-10-25 00:00:00"
        << "2026-10-25 01:00:00";
}

void tst_DaylightSaving::hourSelection()
{
    QFETCH(QDateTime, now);
    QFETCH(int, offset);
    QFETCH(QString, currentHour);
    QFETCH(QString, date);
    QFETCH(QString, start);
    QFETCH(QString, end);

    m_clock.setTime(now);
    m_window = std::make_unique<FrmMonitorSrvCpu>([this] { return m_clock.read(); });
    m_window->show();
    m_window->startUp();
    m_window->findChild<QComboBox *>(QStringLiteral("cboPlusHour"))->setCurrentIndex(offset);

    QCOMPARE(
        m_window->findChild<QLineEdit *>(QStringLiteral("txtCurrentHour"))->text(), currentHour);
    QCOMPARE(m_window->findChild<QLineEdit *>(QStringLiteral("txtDate"))->text(), date);
    // The run derives its hour from the window's reference time alone.
    const HourWindow window = HourWindow::examinedHour(m_window->referenceTime(), 0, 24);
    QCOMPARE(window.start, start);
    QCOMPARE(window.end, end);
}

void tst_DaylightSaving::monitoringTimeTestsTheWallClockHour_data()
{
    QTest::addColumn<QDateTime>("referenceTime");
    QTest::addColumn<int>("startHour");
    QTest::addColumn<int>("stopHour");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");

    QTest::newRow("autumn 02:30 second pass, 01:00 to 02:00 monitored")
        << localAt(10, 25, 1, 30) << 1 << 2 << "2026-10-25 01:00:00"
        << "2026-10-25 02:00:00";
    QTest::newRow("autumn 02:30 second pass, 02:00 to 03:00 monitored")
        << localAt(10, 25, 1, 30) << 2 << 3 << ""
        << "";
    QTest::newRow("spring 03:30, 02:00 to 03:00 monitored")
        << localAt(3, 29, 1, 30) << 2 << 3 << "2026-03-29 02:00:00"
        << "2026-03-29 03:00:00";
    QTest::newRow("spring 03:30, 01:00 to 02:00 monitored") << localAt(3, 29, 1, 30) << 1 << 2 << ""
                                                            << "";
}

void tst_DaylightSaving::monitoringTimeTestsTheWallClockHour()
{
    QFETCH(QDateTime, referenceTime);
    QFETCH(int, startHour);
    QFETCH(int, stopHour);
    QFETCH(QString, start);
    QFETCH(QString, end);

    const HourWindow window = HourWindow::examinedHour(
        referenceTime, static_cast<qint16>(startHour), static_cast<qint16>(stopHour));
    QCOMPARE(window.start, start);
    QCOMPARE(window.end, end);
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_DaylightSaving)
#include "tst_daylightsaving.moc"
