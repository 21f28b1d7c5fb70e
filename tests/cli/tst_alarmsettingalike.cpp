#include "app/FrmMonitorSrvCpu.h"
#include "cli/CheckCommandLine.h"
#include "cli/CliHost.h"
#include "cli/SweepCheckCommandLine.h"
#include "common/IntegerConversion.h"
#include "explorer/ExplorerWindow.h"
#include "monitoring/AlarmSetting.h"
#include "options/ExplorerCommandLine.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace tovik::test {

namespace {

const QDateTime now(QDate(2026, 12, 7), QTime(15, 20, 5));

// What a program makes of a threshold: its value as text, or the message it refuses it with,
// where %1 stands for the field's name: the window's label, or a command line's option.
using Outcome = QString;

QString named(const Outcome &outcome, const QString &field)
{
    return outcome.contains(QLatin1String("%1")) ? outcome.arg(field) : outcome;
}

} // namespace

// The tester window, the check's run and sweep, and the explorer take the same thresholds and
// occurrences and refuse the others with the same message, each naming the field as its user
// knows it.
class tst_AlarmSettingAlike : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void valuesTakenAlike_data();
    void valuesTakenAlike();

private:
    Outcome window(const QString &box, const QString &text) const;
    Outcome checkRun(const QString &option, const QString &text) const;
    Outcome checkSweep(const QString &option, const QString &text) const;
    Outcome explorer(const QString &option, const QString &text) const;

    QTemporaryDir m_home;
};

void tst_AlarmSettingAlike::initTestCase()
{
    QVERIFY(m_home.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void tst_AlarmSettingAlike::valuesTakenAlike_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Outcome>("outcome");

    const QString threshold = QStringLiteral("txtCpuLoadThreshold");
    const QString occurrences = QStringLiteral("txtCpuOverThreshold");
    QTest::newRow("threshold over 100") << threshold << "threshold"
                                        << "150" << Outcome("150");
    QTest::newRow("threshold below 0") << threshold << "threshold"
                                       << "-5" << Outcome("-5");
    QTest::newRow("threshold, highest 16-bit") << threshold << "threshold"
                                               << "32767" << Outcome("32767");
    QTest::newRow("threshold rounded") << threshold << "threshold"
                                       << "49.5" << Outcome("50");
    QTest::newRow("threshold beyond 16 bits")
        << threshold << "threshold"
        << "40000" << IntegerConversion::int16Failure("%1", "40000");
    QTest::newRow("threshold no number") << threshold << "threshold"
                                         << "abc" << IntegerConversion::int16Failure("%1", "abc");
    QTest::newRow("occurrences 0") << occurrences << "occurrences"
                                   << "0" << Outcome("0");
    QTest::newRow("occurrences beyond 16 bits")
        << occurrences << "occurrences"
        << "99999" << IntegerConversion::int16Failure("%1", "99999");
}

void tst_AlarmSettingAlike::valuesTakenAlike()
{
    QFETCH(QString, box);
    QFETCH(QString, option);
    QFETCH(QString, text);
    QFETCH(Outcome, outcome);

    const QString label = box == QLatin1String("txtCpuLoadThreshold")
        ? AlarmSetting::kThresholdField
        : AlarmSetting::kOccurrencesField;
    const QString commandLine = named(outcome, "--" + option);
    QCOMPARE(window(box, text), named(outcome, label));
    QCOMPARE(checkRun(option, text), commandLine);
    QCOMPARE(checkSweep(option, text), commandLine);
    QCOMPARE(explorer(option, text), commandLine);
}

Outcome tst_AlarmSettingAlike::window(const QString &box, const QString &text) const
{
    FrmMonitorSrvCpu window;
    window.startUp();
    window.findChild<QLineEdit *>(box)->setText(text);
    QString failure;
    const auto alarm = window.alarmSetting(&failure);
    if (!alarm)
        return failure;
    return QString::number(
        box == QLatin1String("txtCpuLoadThreshold") ? alarm->threshold : alarm->occurrences);
}

// The run refuses before any connection, as the sweep does.
Outcome tst_AlarmSettingAlike::checkRun(const QString &option, const QString &text) const
{
    const auto parsed
        = CheckCommandLine::parse({"tovik-cpu-check", "run", "--" + option, text}, now);
    if (parsed.action != CheckCommandLine::Action::Run)
        return parsed.text.chopped(CheckCommandLine::usageHint(QStringLiteral("run")).size() + 1);
    QString failure;
    const auto alarm = CliHost(parsed.options).alarmSetting(&failure);
    if (!alarm)
        return failure;
    return QString::number(
        option == QLatin1String("threshold") ? alarm->threshold : alarm->occurrences);
}

// The sweep refuses before any connection: the message, followed by where the help is.
Outcome tst_AlarmSettingAlike::checkSweep(const QString &option, const QString &text) const
{
    const auto parsed
        = SweepCheckCommandLine::parse({"tovik-cpu-check", "sweep", "--" + option, text}, now);
    if (parsed.action != CheckCommandLine::Action::Run)
        return parsed.text.chopped(CheckCommandLine::usageHint(QStringLiteral("sweep")).size() + 1);
    const SweepSettings &settings = parsed.options.settings;
    return QString::number(
        option == QLatin1String("threshold") ? settings.threshold : settings.occurrences);
}

// The explorer's boxes show what its command line took, without clamping it.
Outcome tst_AlarmSettingAlike::explorer(const QString &option, const QString &text) const
{
    const auto parsed
        = ExplorerCommandLine::parse({"tovik-threshold-explorer", "--" + option, text}, {});
    if (parsed.action != ExplorerCommandLine::Action::Open)
        return parsed.text;
    ExplorerWindow window(QSettings().fileName());
    window.applySettings(parsed.settings);
    const SweepChoice shown = window.settings();
    return QString::number(
        option == QLatin1String("threshold") ? shown.threshold : shown.occurrences);
}

} // namespace tovik::test

QTEST_MAIN(tovik::test::tst_AlarmSettingAlike)
#include "tst_alarmsettingalike.moc"
