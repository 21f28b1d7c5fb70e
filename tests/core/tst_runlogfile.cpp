#include "FileModes.h"
#include "RecordingHost.h"
#include "output/RunLog.h"
#include "output/ShowRunLog.h"

#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QString logName = "ZU-TestCpuLoad.txt";

QString showText(RecordingHost &host, const QString &text)
{
    RunLog log;
    log.append(text);
    return ShowRunLog(host, log);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString octal(int mode)
{
    return QString::number(mode, 8);
}

} // namespace

// Where the run log goes and who may read it: it holds the devices' trap communities.
class tst_RunLogFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void privateBesideProgram_data();
    void privateBesideProgram();
    void privateInCreatedUserDirectory();
    void installedProgramWritesToUserDirectory_data();
    void installedProgramWritesToUserDirectory();
    void uninstalledProgramWritesBesideItself_data();
    void uninstalledProgramWritesBesideItself();

private:
    std::unique_ptr<QTemporaryDir> m_userData;
    // Every bit a new file or directory may get is let through.
    ScopedUmask m_umask {0};
};

void tst_RunLogFile::initTestCase()
{
    // The program's name, which names its per-user directory.
    QCoreApplication::setApplicationName("Tovik SQL Tester");
}

void tst_RunLogFile::init()
{
    m_userData = std::make_unique<QTemporaryDir>();
    QVERIFY(m_userData->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_userData->path()));
}

void tst_RunLogFile::cleanup()
{
    m_userData.reset();
}

void tst_RunLogFile::privateBesideProgram_data()
{
    QTest::addColumn<int>("earlierMode");

    QTest::newRow("no earlier log") << -1;
    QTest::newRow("earlier log 0644") << 0644;
    QTest::newRow("earlier log 0666") << 0666;
    QTest::newRow("earlier log 0600") << 0600;
}

void tst_RunLogFile::privateBesideProgram()
{
    QFETCH(int, earlierMode);

    QTemporaryDir appDir;
    const QString path = appDir.filePath(logName);
    if (earlierMode >= 0)
        QVERIFY(writeFileWithMode(path, QByteArray(5000, 'o'), earlierMode));
    RecordingHost host;
    host.setAppPath(appDir.path());

    QCOMPARE(showText(host, "community public"), path);
    QCOMPARE(octal(fileMode(path)), octal(0600));
    QCOMPARE(readFile(path), QByteArray("community public\r\n"));
    // The file written first and renamed over the log leaves nothing behind.
    QCOMPARE(QDir(appDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {logName});
}

void tst_RunLogFile::privateInCreatedUserDirectory()
{
    QTemporaryDir scratch;
    const QString blocker = scratch.filePath("plain-file");
    QVERIFY(writeFileWithMode(blocker, "x", 0644));
    const QString dataHome = m_userData->filePath("missing/data");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    RecordingHost host;
    host.setAppPath(blocker + "/app");

    const QString written = showText(host, "run");
    QCOMPARE(written, dataHome + "/Tovik SQL Tester/" + logName);
    QCOMPARE(octal(fileMode(written)), octal(0600));
    // Each directory the program made, down from the first that was missing.
    for (const QString &dir :
        {m_userData->filePath("missing"), dataHome, dataHome + "/Tovik SQL Tester"})
        QVERIFY2(fileMode(dir) == 0700, qPrintable(dir + ": " + octal(fileMode(dir))));
    QVERIFY(host.warnings.isEmpty());
}

void tst_RunLogFile::installedProgramWritesToUserDirectory_data()
{
    QTest::addColumn<QString>("installedDir");
    QTest::addColumn<bool>("throughLink");

    QTest::newRow("Debian package's /usr/bin") << "/usr/bin" << false;
    QTest::newRow("/usr/bin through a symbolic link") << "/usr/bin" << true;
    QTest::newRow("install prefix's bin") << TOVIK_TEST_INSTALL_BINDIR << false;
}

// Also where root could write there: the directory holds the package's files only.
void tst_RunLogFile::installedProgramWritesToUserDirectory()
{
    QFETCH(QString, installedDir);
    QFETCH(bool, throughLink);

    if (!QFileInfo(installedDir).isDir())
        QSKIP(qPrintable(installedDir + " does not exist on this machine"));
    const QString besideProgram = QDir(installedDir).filePath(logName);
    if (QFileInfo::exists(besideProgram))
        QSKIP(qPrintable(besideProgram + " is there already"));
    QTemporaryDir scratch;
    QString appPath = installedDir;
    if (throughLink) {
        appPath = scratch.filePath("bin");
        QVERIFY(QFile::link(installedDir, appPath));
    }
    RecordingHost host;
    host.setAppPath(appPath);

    const QString written = showText(host, "run");
    const bool leftBehind = QFile::remove(besideProgram);
    QVERIFY2(!leftBehind, qPrintable(besideProgram + " was written"));
    QCOMPARE(written, m_userData->filePath("Tovik SQL Tester/" + logName));
    QCOMPARE(readFile(written), QByteArray("run\r\n"));
    QCOMPARE(host.viewerPaths, QStringList {written});
}

void tst_RunLogFile::uninstalledProgramWritesBesideItself_data()
{
    QTest::addColumn<QString>("folder");

    // The tests' own build directory stands for the build tree.
    QTest::newRow("build tree") << QString();
    QTest::newRow("copied folder") << "copy/bin";
    QTest::newRow("folder named like an installed one") << "usr/bin";
}

void tst_RunLogFile::uninstalledProgramWritesBesideItself()
{
    QFETCH(QString, folder);

    QTemporaryDir scratch;
    const QString appPath
        = folder.isEmpty() ? QCoreApplication::applicationDirPath() : scratch.filePath(folder);
    QVERIFY(QDir().mkpath(appPath));
    const QString besideProgram = QDir(appPath).filePath(logName);
    RecordingHost host;
    host.setAppPath(appPath);

    const QString written = showText(host, "run");
    const QByteArray content = readFile(besideProgram);
    QFile::remove(besideProgram);
    QCOMPARE(written, besideProgram);
    QCOMPARE(content, QByteArray("run\r\n"));
    QVERIFY(!QFileInfo::exists(m_userData->filePath("Tovik SQL Tester")));
}

QTEST_GUILESS_MAIN(tst_RunLogFile)
#include "tst_runlogfile.moc"
