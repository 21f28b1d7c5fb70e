#include "RecordingHost.h"
#include "app/ControlNames.h"
#include "testrun/TestRunDriver.h"

#include <QTcpServer>
#include <QtTest>

using namespace tovik;
using tovik::test::RecordingHost;

namespace {

const QString errHandler = " (Err Handler)";

// How the settings-failure message names each control.
QString fieldLabel(const QString &control)
{
    static const QHash<QString, QString> labels {{control::kTxtCpuLoadThreshold, "Avg .CPU Load"},
        {control::kTxtCpuOverThreshold, "Occurrences"},
        {control::kCboCpuMonTimeStart, "Monitoring Time Start"},
        {control::kCboCpuMonTimeStop, "Monitoring Time Stop"}};
    return labels.value(control);
}

// Texts an operator could type or paste: the run either ends through the settings failure with
// a short message naming the field, or it reads a number and goes on to connect.
void addSettingsRows()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");

    const QString threshold = control::kTxtCpuLoadThreshold;
    const QString occurrences = control::kTxtCpuOverThreshold;
    QTest::newRow("threshold empty") << threshold << "en_US"
                                     << "" << false;
    QTest::newRow("threshold blanks") << threshold << "en_US"
                                      << "   " << false;
    QTest::newRow("threshold tab and newline around") << threshold << "en_US"
                                                      << "\t7\n"
                                                      << true;
    QTest::newRow("threshold no-break space around")
        << threshold << "en_US" << QString::fromUtf8("\u00A07\u00A0") << true;
    QTest::newRow("threshold blank inside") << threshold << "en_US"
                                            << "7 5" << false;
    QTest::newRow("threshold huge") << threshold << "en_US" << QString(10000, u'9') << false;
    QTest::newRow("threshold huge fraction") << threshold << "en_US"
                                             << "4." + QString(10000, u'0') + "1" << true;
    QTest::newRow("threshold negative") << threshold << "en_US"
                                        << "-5" << true;
    QTest::newRow("threshold below range") << threshold << "en_US"
                                           << "-32769" << false;
    QTest::newRow("threshold rounds out of range") << threshold << "en_US"
                                                   << "32767.5" << false;
    QTest::newRow("threshold point, english") << threshold << "en_US"
                                              << "4.5" << true;
    QTest::newRow("threshold comma, english") << threshold << "en_US"
                                              << "4,5" << false;
    QTest::newRow("threshold comma, german") << threshold << "de_DE"
                                             << "4,5" << true;
    QTest::newRow("threshold point, german") << threshold << "de_DE"
                                             << "4.5" << false;
    QTest::newRow("threshold thousands, german") << threshold << "de_DE"
                                                 << "1.000" << false;
    QTest::newRow("threshold arabic-indic digits")
        << threshold << "en_US" << QString::fromUtf8("\u0664\u0665") << false;
    QTest::newRow("threshold fullwidth digits")
        << threshold << "en_US" << QString::fromUtf8("\uFF15\uFF10") << false;
    QTest::newRow("threshold devanagari digits")
        << threshold << "de_DE" << QString::fromUtf8("\u096B") << false;
    QTest::newRow("threshold NUL after digit")
        << threshold << "en_US" << QString("5") + QChar(0) << false;
    QTest::newRow("occurrences empty") << occurrences << "de_DE"
                                       << "" << false;
    QTest::newRow("occurrences negative fraction, german") << occurrences << "de_DE"
                                                           << "-2,5" << true;
    QTest::newRow("occurrences huge negative") << occurrences << "de_DE"
                                               << "-" + QString(10000, u'9') << false;
    QTest::newRow("occurrences superscript digit")
        << occurrences << "en_US" << QString::fromUtf8("\u00B2") << false;
    QTest::newRow("occurrences sign alone") << occurrences << "en_US"
                                            << "+" << false;
}

// The monitoring hours are parsed too; a list holding no hour must not pass as one.
void addHourRows()
{
    QTest::newRow("start hour empty") << control::kCboCpuMonTimeStart << "en_US"
                                      << "" << false;
    QTest::newRow("stop hour letters") << control::kCboCpuMonTimeStop << "en_US"
                                       << "xx:00" << false;
}

} // namespace

// Typed settings that are empty, huge, negative, fractional, blank or not ASCII digits.
class tst_BadInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void settingsTexts_data();
    void settingsTexts();
    void timeoutTexts_data();
    void timeoutTexts();
    void timeoutReachesDriver_data();
    void timeoutReachesDriver();

private:
    std::unique_ptr<QTemporaryDir> m_appDir;
    QLocale m_startLocale;
};

void tst_BadInput::initTestCase()
{
    m_startLocale = QLocale();
}

void tst_BadInput::init()
{
    m_appDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_appDir->isValid());
}

void tst_BadInput::cleanup()
{
    QLocale::setDefault(m_startLocale);
}

void tst_BadInput::settingsTexts_data()
{
    addSettingsRows();
    addHourRows();
}

void tst_BadInput::settingsTexts()
{
    QFETCH(QString, control);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, converts);

    QLocale::setDefault(QLocale(locale));
    RecordingHost host;
    host.setAppPath(m_appDir->path());
    // None of the three choices: a run that gets as far as connecting fails at once, offline.
    host.setText(control::kCboOnlConnType, "");
    host.setText(control, text);
    TestRunDriver(host).run();

    QVERIFY(host.testEnabled);
    QCOMPARE(host.warnings.size(), 1);
    const QString warning = host.warnings.first();
    if (converts) {
        QCOMPARE(host.events.first(), QString("disabled"));
        QVERIFY2(!warning.endsWith(errHandler), qPrintable(warning));
        QVERIFY(host.viewerPaths.isEmpty());
        return;
    }
    const QString logPath = m_appDir->filePath("ZU-TestCpuLoad.txt");
    QCOMPARE(host.events, QStringList({"enabled", "viewer:" + logPath, "warning:" + warning}));
    QVERIFY2(warning.startsWith(fieldLabel(control) + ": "), qPrintable(warning));
    QVERIFY2(warning.endsWith(errHandler), qPrintable(warning));
    QVERIFY2(warning.contains("is not a number") || warning.contains("is outside the range"),
        qPrintable(warning));
    // A pasted page of digits must not turn into a page-wide message box.
    QVERIFY2(warning.size() < 200, qPrintable(QString::number(warning.size())));
}

void tst_BadInput::timeoutTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");

    QTest::newRow("whole seconds") << "en_US"
                                   << "2" << 2;
    QTest::newRow("blanks around") << "en_US"
                                   << " 2 " << 2;
    QTest::newRow("point, english") << "en_US"
                                    << "1.6" << 2;
    QTest::newRow("comma, german") << "de_DE"
                                   << "1,6" << 2;
    QTest::newRow("half to even") << "de_DE"
                                  << "2,5" << 2;
    QTest::newRow("zero waits without limit") << "en_US"
                                              << "0" << 0;
    QTest::newRow("empty") << "en_US"
                           << "" << 15;
    QTest::newRow("letters") << "en_US"
                             << "abc" << 15;
    QTest::newRow("negative") << "en_US"
                              << "-3" << 15;
    QTest::newRow("beyond 32 bits") << "en_US"
                                    << "99999999999" << 15;
    QTest::newRow("point, german") << "de_DE"
                                   << "1.6" << 15;
    QTest::newRow("arabic-indic digit") << "en_US" << QString::fromUtf8("\u0662") << 15;
    QTest::newRow("10,000 digits") << "en_US" << QString(10000, u'7') << 15;
}

void tst_BadInput::timeoutTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(int, seconds);

    QLocale::setDefault(QLocale(locale));
    RecordingHost host;
    host.setText(control::kTxtOnlConnTimeout, text);
    QCOMPARE(host.loginTimeoutSeconds(), seconds);
}

void tst_BadInput::timeoutReachesDriver_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");

    QTest::newRow("comma, german") << "de_DE"
                                   << "1,6" << 2;
    QTest::newRow("letters keep the default") << "en_US"
                                              << "abc" << 15;
}

// The chosen login timeout is what the driver waits: a listener that never answers the login
// holds the open for exactly that long.
void tst_BadInput::timeoutReachesDriver()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(int, seconds);

    QTcpServer listener;
    QVERIFY(listener.listen(QHostAddress::LocalHost));
    QLocale::setDefault(QLocale(locale));
    RecordingHost host;
    host.setAppPath(m_appDir->path());
    host.setText(control::kCboOnlConnType, "Remote SQL Authentication");
    host.setText(control::kTxtOnlDbServer, "127.0.0.1");
    host.setText(control::kTxtOnlDbPort, QString::number(listener.serverPort()));
    host.setText(control::kTxtOnlConnTimeout, text);

    QElapsedTimer timer;
    timer.start();
    TestRunDriver(host).run();
    const qint64 elapsed = timer.elapsed();
    qInfo("%s: main-open failure after %lld ms", QTest::currentDataTag(), elapsed);

    QCOMPARE(host.warnings.size(), 1);
    QVERIFY(!host.warnings.first().isEmpty());
    QVERIFY2(!host.warnings.first().endsWith(errHandler), qPrintable(host.warnings.first()));
    QVERIFY(host.viewerPaths.isEmpty());
    QVERIFY2(elapsed >= seconds * 1000 - 500, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < seconds * 1000 + 4000, qPrintable(QString::number(elapsed)));
}

QTEST_GUILESS_MAIN(tst_BadInput)
#include "tst_badinput.moc"
