#include <QProcess>
#include <QTest>

namespace tovik::test {

// The program itself, started as the user starts it: it must open its window and keep running.
class tst_ProgramStart : public QObject
{
    Q_OBJECT

private slots:
    void programKeepsRunningWithItsWindow();
};

void tst_ProgramStart::programKeepsRunningWithItsWindow()
{
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(TOVIK_PROGRAM), {});
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    const bool ended = program.waitForFinished(2000);
    const QByteArray output = program.readAll();
    if (!ended) {
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }
    QVERIFY2(!ended, output.constData());
}

} // namespace tovik::test

QTEST_GUILESS_MAIN(tovik::test::tst_ProgramStart)
#include "tst_programstart.moc"
