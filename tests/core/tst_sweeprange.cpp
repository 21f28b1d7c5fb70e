#include "sweep/SweepRange.h"
#include "sweep/SweepSettings.h"

#include <QtTest>
#include <ctime>

using namespace tovik;

// Examined hours from texts and from a reference time, and the refusals of unusable ranges.
class tst_SweepRange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fromTexts_data();
    void fromTexts();
    void refused_data();
    void refused();
    void lastHours_data();
    void lastHours();
    void springForwardHourKeepsItsPlace();
    void monitoringTime_data();
    void monitoringTime();
};

void tst_SweepRange::initTestCase()
{
    // Summer time starts on 2026-03-29 at 02:00 here: that hour does not exist as a local time.
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

void tst_SweepRange::fromTexts_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("hours");
    QTest::newRow("two hours") << "2026-12-07 13:00:00"
                               << "2026-12-07 15:00:00"
                               << QStringList {"2026-12-07 13:00:00", "2026-12-07 14:00:00"};
    QTest::newRow("across midnight")
        << "2026-12-31 23:00:00"
        << "2027-01-01 01:00:00" << QStringList {"2026-12-31 23:00:00", "2027-01-01 00:00:00"};
    QTest::newRow("across the autumn change-over")
        << "2026-10-25 01:00:00"
        << "2026-10-25 04:00:00"
        << QStringList {"2026-10-25 01:00:00", "2026-10-25 02:00:00", "2026-10-25 03:00:00"};
}

void tst_SweepRange::fromTexts()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, hours);
    QString failure;
    const auto range = SweepRange::fromTexts(from, to, &failure);
    QVERIFY2(range, qPrintable(failure));
    QCOMPARE(range->hourTexts(), hours);
    QCOMPARE(range->hourCount(), hours.size());
}

void tst_SweepRange::refused_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    const QString start = "2026-12-07 13:00:00";
    QTest::newRow("minutes") << "2026-12-07 13:30:00" << start
                             << "'2026-12-07 13:30:00' is not a whole hour of the form "
                                "YYYY-MM-DD HH:00:00.";
    QTest::newRow("no seconds") << start << "2026-12-07 15:00"
                                << "'2026-12-07 15:00' is not a whole hour of the form "
                                   "YYYY-MM-DD HH:00:00.";
    QTest::newRow("no such day") << "2026-02-30 13:00:00" << start
                                 << "'2026-02-30 13:00:00' is not a whole hour of the form "
                                    "YYYY-MM-DD HH:00:00.";
    QTest::newRow("hour 24") << start << "2026-12-07 24:00:00"
                             << "'2026-12-07 24:00:00' is not a whole hour of the form "
                                "YYYY-MM-DD HH:00:00.";
    QTest::newRow("empty text") << "" << start
                                << "'' is not a whole hour of the form YYYY-MM-DD HH:00:00.";
    QTest::newRow("empty range") << start << start
                                 << "The range from 2026-12-07 13:00:00 to 2026-12-07 13:00:00 "
                                    "holds no hour.";
    QTest::newRow("reversed") << start << "2026-12-07 12:00:00"
                              << "The range ends at 2026-12-07 12:00:00, before it starts at "
                                 "2026-12-07 13:00:00.";
    QTest::newRow("31 days and an hour")
        << "2026-12-01 00:00:00"
        << "2027-01-01 01:00:00"
        << "The range from 2026-12-01 00:00:00 to 2027-01-01 01:00:00 spans more than 31 days.";
}

void tst_SweepRange::refused()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    QString failure;
    QVERIFY(!SweepRange::fromTexts(from, to, &failure));
    QCOMPARE(failure, message);
}

void tst_SweepRange::lastHours_data()
{
    QTest::addColumn<int>("hours");
    QTest::addColumn<QDateTime>("reference");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("failure");
    const QDateTime afternoon(QDate(2026, 12, 7), QTime(14, 37, 12));
    QTest::newRow("48 before the afternoon") << 48 << afternoon << "2026-12-05 14:00:00"
                                             << "2026-12-07 14:00:00" << QString();
    QTest::newRow("one after midnight")
        << 1 << QDateTime(QDate(2026, 12, 8), QTime(0, 20)) << "2026-12-07 23:00:00"
        << "2026-12-08 00:00:00" << QString();
    QTest::newRow("31 days") << 744 << afternoon << "2026-11-06 14:00:00"
                             << "2026-12-07 14:00:00" << QString();
    QTest::newRow("none") << 0 << afternoon << QString() << QString()
                          << "The number of hours must be from 1 to 744.";
    QTest::newRow("more than 31 days") << 745 << afternoon << QString() << QString()
                                       << "The number of hours must be from 1 to 744.";
}

void tst_SweepRange::lastHours()
{
    QFETCH(int, hours);
    QFETCH(QDateTime, reference);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, failure);
    QString why;
    const auto range = SweepRange::lastHours(hours, reference, &why);
    QCOMPARE(why, failure);
    QCOMPARE(range.has_value(), failure.isEmpty());
    if (range) {
        QCOMPARE(SweepRange::hourText(range->from()), from);
        QCOMPARE(SweepRange::hourText(range->to()), to);
        QCOMPARE(range->hourCount(), hours);
    }
}

// The hour that the local clock skips is an hour of samples like every other, and the database's
// number for it (hours since 1900-01-01) finds it.
void tst_SweepRange::springForwardHourKeepsItsPlace()
{
    QString failure;
    const auto range
        = SweepRange::fromTexts("2026-03-29 01:00:00", "2026-03-29 04:00:00", &failure);
    QVERIFY2(range, qPrintable(failure));
    QCOMPARE(range->hourTexts(),
        QStringList({"2026-03-29 01:00:00", "2026-03-29 02:00:00", "2026-03-29 03:00:00"}));
    const qint64 twoOClock = QDate(1900, 1, 1).daysTo(QDate(2026, 3, 29)) * 24 + 2;
    QCOMPARE(range->indexOfHourNumber(twoOClock), std::optional<int>(1));
    QCOMPARE(range->indexOfHourNumber(twoOClock - 2), std::nullopt);
    QCOMPARE(range->indexOfHourNumber(twoOClock + 2), std::nullopt);
}

void tst_SweepRange::monitoringTime_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<bool>("monitored");
    QTest::newRow("05:00") << 5 << false;
    QTest::newRow("06:00") << 6 << true;
    QTest::newRow("22:00") << 22 << true;
    QTest::newRow("23:00") << 23 << false;
}

void tst_SweepRange::monitoringTime()
{
    QFETCH(int, hour);
    QFETCH(bool, monitored);
    SweepSettings settings;
    settings.monStartHour = 6;
    settings.monStopHour = 23;
    QCOMPARE(
        settings.isMonitored(QDateTime(QDate(2026, 12, 7), QTime(hour, 0), Qt::UTC)), monitored);
}

QTEST_GUILESS_MAIN(tst_SweepRange)
#include "tst_sweeprange.moc"
