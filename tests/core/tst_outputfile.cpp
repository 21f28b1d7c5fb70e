#include "FifoReader.h"
#include "FileModes.h"
#include "output/OutputFile.h"
#include "output/PrivateFile.h"

#include <QtTest>
#include <sys/stat.h>

using namespace tovik;
using namespace tovik::test;

namespace {

const QByteArray content = "hour,report_id\r\n2026-12-07 13:00,7\r\n";

bool writeShared(const QString &path, const QByteArray &bytes, QString *reason)
{
    return OutputFile::write(
        path, OutputFile::Access::Shared,
        [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); }, reason);
}

bool writeWith(bool privately, const QString &path, QString *reason)
{
    return privately ? writePrivateFile(path, {content}, reason)
                     : writeShared(path, content, reason);
}

// What a test puts at the path it asks about, in the temporary directory.
enum class Found { Nothing, RegularFile, Fifo, Directory, FileAsParent, MissingParent };

bool place(Found found, const QDir &dir)
{
    switch (found) {
    case Found::RegularFile:
    case Found::FileAsParent: {
        QFile file(dir.filePath(found == Found::RegularFile ? "target" : "file"));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    case Found::Fifo:
        return ::mkfifo(QFile::encodeName(dir.filePath("target")).constData(), 0600) == 0;
    case Found::Directory:
        return dir.mkdir("target");
    case Found::Nothing:
    case Found::MissingParent:
        break;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Found)

// What the programs' one writer does with what it finds at the path it is given.
class tst_OutputFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fifoReceivesWholeContent_data();
    void fifoReceivesWholeContent();
    void deviceStaysDevice_data();
    void deviceStaysDevice();
    void fullDeviceReportsFailure();
    void directoryRefused_data();
    void directoryRefused();
    void linkFollowed_data();
    void linkFollowed();
    void sharedFileKeepsOldMode();
    void writableFoundBeforehand_data();
    void writableFoundBeforehand();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ScopedUmask m_umask {022};
};

void tst_OutputFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_OutputFile::fifoReceivesWholeContent_data()
{
    QTest::addColumn<bool>("privately");
    QTest::newRow("private") << true;
    QTest::newRow("shared") << false;
}

void tst_OutputFile::fifoReceivesWholeContent()
{
    QFETCH(bool, privately);
    const QString path = m_dir->filePath("pipe");
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    FifoReader reader(path);

    QString reason;
    QVERIFY2(writeWith(privately, path, &reason), qPrintable(reason));
    QCOMPARE(reader.received(), content);
    QCOMPARE(fileKind(path), 'p');
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::System).size(), 1);
}

void tst_OutputFile::deviceStaysDevice_data()
{
    fifoReceivesWholeContent_data();
}

void tst_OutputFile::deviceStaysDevice()
{
    QFETCH(bool, privately);
    const QString path = m_dir->filePath("null");
    if (!makeMemoryDevice(path, 3))
        QSKIP("making a device needs root");

    const int mode = fileMode(path);

    QString reason;
    QVERIFY2(writeWith(privately, path, &reason), qPrintable(reason));
    QCOMPARE(fileKind(path), 'c');
    QCOMPARE(fileMode(path), mode);
}

// A device that takes nothing: the failure is reported, not a success, and the device stays.
void tst_OutputFile::fullDeviceReportsFailure()
{
    const QString path = m_dir->filePath("full");
    if (!makeMemoryDevice(path, 7))
        QSKIP("making a device needs root");

    QString reason;
    QVERIFY(!writeShared(path, content, &reason));
    QVERIFY2(reason.contains("No space left on device"), qPrintable(reason));
    QCOMPARE(fileKind(path), 'c');
}

void tst_OutputFile::directoryRefused_data()
{
    fifoReceivesWholeContent_data();
}

void tst_OutputFile::directoryRefused()
{
    QFETCH(bool, privately);
    const QString path = m_dir->filePath("folder");
    QVERIFY(QDir().mkdir(path));
    QVERIFY(QFile::link(path, m_dir->filePath("link")));

    for (const QString &target : {path, m_dir->filePath("link")}) {
        QString reason;
        QVERIFY(!writeWith(privately, target, &reason));
        QCOMPARE(reason, path + " is a directory");
    }
    QCOMPARE(fileKind(path), 'd');
    QCOMPARE(
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
        QStringList());
}

void tst_OutputFile::linkFollowed_data()
{
    QTest::addColumn<bool>("privately");
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("private, to a file") << true << true;
    QTest::newRow("private, dangling") << true << false;
    QTest::newRow("shared, to a file") << false << true;
    QTest::newRow("shared, dangling") << false << false;
}

// The link stays and its target gets the content, as a shell's redirection would do.
void tst_OutputFile::linkFollowed()
{
    QFETCH(bool, privately);
    QFETCH(bool, targetExists);
    const QString target = m_dir->filePath("target.csv");
    const QString link = m_dir->filePath("link.csv");
    if (targetExists)
        QVERIFY(writeFileWithMode(target, "old", 0640));
    QVERIFY(QFile::link(target, link));

    QString reason;
    QVERIFY2(writeWith(privately, link, &reason), qPrintable(reason));
    QCOMPARE(fileKind(link), 'l');
    QCOMPARE(fileKind(target), 'f');
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), content);
    QCOMPARE(fileMode(target), privately ? 0600 : targetExists ? 0640 : 0644);
}

void tst_OutputFile::sharedFileKeepsOldMode()
{
    const QString path = m_dir->filePath("sweep.csv");
    QVERIFY(writeFileWithMode(path, "old", 0604));
    QString reason;
    QVERIFY2(writeShared(path, content, &reason), qPrintable(reason));
    QCOMPARE(fileMode(path), 0604);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 1);
}

void tst_OutputFile::writableFoundBeforehand_data()
{
    QTest::addColumn<Found>("found");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("new file") << Found::Nothing << "target" << QString();
    QTest::newRow("regular file") << Found::RegularFile << "target" << QString();
    // Opening a FIFO without a reader would block: it must not be opened to be judged.
    QTest::newRow("FIFO without a reader") << Found::Fifo << "target" << QString();
    QTest::newRow("directory") << Found::Directory << "target"
                               << "%1/target is a directory";
    QTest::newRow("missing directory") << Found::MissingParent << "missing/target"
                                       << "the directory %1/missing does not exist";
    QTest::newRow("file as directory") << Found::FileAsParent << "file/target"
                                       << "%1/file is not a directory";
}

// Nothing is created, truncated or opened by the question, and its answer is the writer's.
void tst_OutputFile::writableFoundBeforehand()
{
    QFETCH(Found, found);
    QFETCH(QString, path);
    QFETCH(QString, reason);
    const QDir dir(m_dir->path());
    QVERIFY(place(found, dir));
    const auto listing = [&dir] {
        return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList before = listing();

    QString answer;
    QCOMPARE(OutputFile::canWrite(dir.filePath(path), &answer), reason.isEmpty());
    QCOMPARE(answer, reason.isEmpty() ? QString() : reason.arg(dir.path()));
    QCOMPARE(listing(), before);
    if (found == Found::RegularFile) {
        QFile file(dir.filePath(path));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
    if (found == Found::Fifo)
        QCOMPARE(fileKind(dir.filePath(path)), 'p');
    if (reason.isEmpty() && found != Found::Fifo) {
        QString written;
        QVERIFY2(writeShared(dir.filePath(path), content, &written), qPrintable(written));
    }
}

QTEST_GUILESS_MAIN(tst_OutputFile)
#include "tst_outputfile.moc"
