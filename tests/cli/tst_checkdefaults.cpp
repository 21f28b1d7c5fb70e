#include "app/FrmMonitorSrvCpu.h"
#include "cli/CheckCommandLine.h"
#include "cli/CliHost.h"

#include <QComboBox>
#include <QTest>
#include <QTimeZone>

namespace tovik::test {

namespace {

CheckOptions parsed(const QStringList &arguments, const QDateTime &now)
{
    const CheckCommandLine::Result result
        = CheckCommandLine::parse(QStringList {QStringLiteral("tovik-cpu-check")} + arguments, now);
    if (result.action != CheckCommandLine::Action::Run)
        qFatal("the command line was refused: %s", qPrintable(result.text));
    return result.options;
}

} // namespace

// A check without options runs with what the window shows after start-up, and --hours-ago fixes
// the reference time that "Now - x Hour" fixes in the window.
class tst_CheckDefaults : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAreTheWindows();
    void hoursAgoAsInTheWindow_data();
    void hoursAgoAsInTheWindow();
};

void tst_CheckDefaults::defaultsAreTheWindows()
{
    FrmMonitorSrvCpu window;
    window.startUp();
    const CliHost check(parsed({QStringLiteral("run")}, QDateTime::currentDateTime()));

    QString failure;
    const auto shown = window.alarmSetting(&failure);
    QVERIFY2(shown, qPrintable(failure));
    QVERIFY(check.alarmSetting(&failure) == shown);
    const ConnectionFields windowFields = window.connectionFields();
    const ConnectionFields checkFields = check.connectionFields();
    for (const QString &field : {windowFields.SqlConnType, windowFields.SqlDbServer,
             windowFields.SqlDbPort, windowFields.SqlDatabase, windowFields.SqlDbUser})
        QVERIFY(!field.isEmpty());
    QCOMPARE(checkFields.SqlConnType, windowFields.SqlConnType);
    QCOMPARE(checkFields.SqlDbServer, windowFields.SqlDbServer);
    QCOMPARE(checkFields.SqlDbPort, windowFields.SqlDbPort);
    QCOMPARE(checkFields.SqlDatabase, windowFields.SqlDatabase);
    QCOMPARE(checkFields.SqlDbUser, windowFields.SqlDbUser);
    QCOMPARE(checkFields.SqlDbPass, windowFields.SqlDbPass);
    QCOMPARE(check.loginTimeoutSeconds(), window.loginTimeoutSeconds());
}

void tst_CheckDefaults::hoursAgoAsInTheWindow_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("hoursAgo");
    const auto local = [](int month, int day, int hour, int minute) {
        return QDateTime(QDate(2026, month, day), QTime(hour, minute, 7, 654));
    };
    QTest::newRow("now") << local(12, 7, 14, 25) << 0;
    QTest::newRow("past midnight") << local(12, 7, 1, 5) << 3;
    QTest::newRow("the latest offset") << local(12, 7, 14, 25) << 23;
    // Europe/Berlin leaves out 02:00 to 03:00 on this day and repeats it in October.
    QTest::newRow("over the spring change-over") << local(3, 29, 3, 30) << 2;
    QTest::newRow("over the autumn change-over") << local(10, 25, 4, 10) << 3;
}

void tst_CheckDefaults::hoursAgoAsInTheWindow()
{
    QFETCH(QDateTime, now);
    QFETCH(int, hoursAgo);
    FrmMonitorSrvCpu window([now] { return now; });
    window.startUp();
    window.findChild<QComboBox *>(QStringLiteral("cboPlusHour"))->setCurrentIndex(hoursAgo);
    const CheckOptions options = parsed(
        {QStringLiteral("run"), QStringLiteral("--hours-ago"), QString::number(hoursAgo)}, now);
    QCOMPARE(options.referenceTime, window.referenceTime());
    QCOMPARE(options.referenceTime.time().msec(), 0);
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_CheckDefaults)
#include "tst_checkdefaults.moc"
