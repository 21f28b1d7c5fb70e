#include <QProcess>
#include <QTest>

namespace tovik::test {

// --help, --version and a refused argument are answered by the check and the explorer alike on
// a machine without any display: nothing of a window is started before the arguments are read.
class tst_HelpWithoutDisplay : public QObject
{
    Q_OBJECT

private slots:
    void answeredWithoutDisplay_data();
    void answeredWithoutDisplay();
};

void tst_HelpWithoutDisplay::answeredWithoutDisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("start");

    const QString check = QStringLiteral(TOVIK_CPU_CHECK);
    const QString explorer = QStringLiteral(TOVIK_THRESHOLD_EXPLORER);
    QTest::newRow("explorer --help")
        << explorer << QStringList {"--help"} << 0 << "Usage: " + explorer;
    QTest::newRow("explorer --version") << explorer << QStringList {"--version"} << 0
                                        << QStringLiteral("tovik-threshold-explorer ");
    QTest::newRow("explorer, threshold refused")
        << explorer << QStringList {"--threshold", "abc"} << 3
        << QStringLiteral("--threshold: \"abc\" is not a number");
    QTest::newRow("explorer --help-all")
        << explorer << QStringList {"--help-all"} << 0 << "Usage: " + explorer;
    QTest::newRow("check run --help")
        << check << QStringList {"run", "--help"} << 0 << "Usage: " + check;
    // Qt's parser lists --help-all beside --help; it must not start a check.
    QTest::newRow("check run --help-all")
        << check << QStringList {"run", "--help-all"} << 0 << "Usage: " + check;
    QTest::newRow("check sweep --help-all")
        << check << QStringList {"sweep", "--help-all"} << 0 << "Usage: " + check;
    QTest::newRow("check tune --help-all")
        << check << QStringList {"tune", "--help-all"} << 0 << "--thresholds <FROM-TO/STEP>";
    // A usage error, which a monitoring system must not read as OK.
    QTest::newRow("check without a command")
        << check << QStringList {} << 3 << QStringLiteral("Usage: tovik-cpu-check run|sweep");
    QTest::newRow("check --version")
        << check << QStringList {"--version"} << 0 << QStringLiteral("tovik-cpu-check ");
}

void tst_HelpWithoutDisplay::answeredWithoutDisplay()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, start);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == exitCode, qPrintable(err));
    QVERIFY2((exitCode == 0 ? out : err).contains(start), qPrintable(out + err));
    if (arguments.isEmpty())
        QCOMPARE(out, QString());
    QVERIFY2(!err.contains(QLatin1String("platform plugin")), qPrintable(err));
}

} // namespace tovik::test

QTEST_GUILESS_MAIN(tovik::test::tst_HelpWithoutDisplay)
#include "tst_helpwithoutdisplay.moc"
