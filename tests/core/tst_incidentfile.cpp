#include "common/WallClock.h"
#include "sweep/IncidentFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;

class tst_IncidentFile : public QObject
{
    Q_OBJECT

private slots:
    void badLineIsRefusedWithItsNumber_data();
    void badLineIsRefusedWithItsNumber();
    void fieldsAreReadAsWritten();
    void unreadableFileIsRefused();
};

// A file refused names its line; a file taken gives every incident.
void tst_IncidentFile::badLineIsRefusedWithItsNumber_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("incidents");

    const QByteArray header = "start,end,device,note\n";
    const QByteArray good = "2026-12-07 08:30:00,2026-12-07 09:30:00,core-rtr-01,\n";
    QTest::newRow("header only") << header << QString() << 0;
    QTest::newRow("without note, CR LF, no last break")
        << QByteArray("start,end,device\r\n2026-12-07 08:30:00,2026-12-07 09:30:00,") << QString()
        << 1;
    QTest::newRow("byte order mark, blank line")
        << "\xEF\xBB\xBF" + header + "\n" + good << QString() << 1;
    QTest::newRow("empty file") << QByteArray()
                                << "line 1: the header start,end,device,note is missing" << 0;
    QTest::newRow("other header") << QByteArray("from,to,device\n" + good)
                                  << "line 1: the header is 'from,to,device', not "
                                     "start,end,device,note"
                                  << 0;
    QTest::newRow("header in capitals") << QByteArray("START,END,DEVICE,NOTE\n")
                                        << "line 1: the header is 'START,END,DEVICE,NOTE', not "
                                           "start,end,device,note"
                                        << 0;
    QTest::newRow("too few fields") << header + good + "2026-12-07 08:30:00,2026-12-07 09:30:00\n"
                                    << "line 3: 2 fields where start,end,device and an optional "
                                       "note are expected"
                                    << 0;
    QTest::newRow("comma in an unquoted note")
        << header + "2026-12-07 08:30:00,2026-12-07 09:30:00,,fan, then power\n"
        << "line 2: 5 fields where start,end,device and an optional note are expected" << 0;
    QTest::newRow("date without seconds")
        << header + good + good + "2026-12-07 08:30,2026-12-07 09:30:00,,\n"
        << "line 4: start '2026-12-07 08:30' is not a time of the form YYYY-MM-DD HH:MM:SS" << 0;
    QTest::newRow("no such day") << header + "2026-12-07 08:30:00,2026-02-30 09:30:00,,\n"
                                 << "line 2: end '2026-02-30 09:30:00' is not a time of the form "
                                    "YYYY-MM-DD HH:MM:SS"
                                 << 0;
    QTest::newRow("end at start") << header + "2026-12-07 08:30:00,2026-12-07 08:30:00,,\n"
                                  << "line 2: the end 2026-12-07 08:30:00 is not after the start "
                                     "2026-12-07 08:30:00"
                                  << 0;
    QTest::newRow("quote not closed") << header + "2026-12-07 08:30:00,2026-12-07 09:30:00,,\"fan\n"
                                      << "line 2: a quoted field is not closed where it ends" << 0;
    QTest::newRow("text after a closing quote")
        << header + "2026-12-07 08:30:00,2026-12-07 09:30:00,\"a\"b,\n"
        << "line 2: a quoted field is not closed where it ends" << 0;
    QTest::newRow("not UTF-8") << header + good + "2026-12-07 08:30:00,2026-12-07 09:30:00,r\xE9,\n"
                               << "line 3: the text is not UTF-8" << 0;
}

void tst_IncidentFile::badLineIsRefusedWithItsNumber()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, failure);
    QFETCH(int, incidents);
    QString reason;
    const auto read = IncidentFile::parse(csv, QStringLiteral("known.csv"), &reason);
    if (failure.isEmpty()) {
        QVERIFY2(read, qPrintable(reason));
        QCOMPARE(read->size(), incidents);
        return;
    }
    QVERIFY(!read);
    QCOMPARE(reason, "the incidents file known.csv, " + failure);
}

// Quoted fields keep their commas and quotes; times keep their wall-clock fields in UTC.
void tst_IncidentFile::fieldsAreReadAsWritten()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("incidents.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("start,end,device,note\n"
               "2026-03-29 02:30:00,2026-03-29 03:15:00,\"Edge, west\",\"fan \"\"B\"\", then "
               "power\"\n"
               "2026-12-07 23:00:00,2026-12-08 01:00:00,7:101,\n"
               "2026-12-07 10:00:00,2026-12-07 10:00:01,,\n");
    file.close();
    QString failure;
    const auto incidents = IncidentFile::read(file.fileName(), &failure);
    QVERIFY2(incidents, qPrintable(failure));
    QCOMPARE(incidents->size(), 3);
    const Incident &first = incidents->at(0);
    QCOMPARE(first.start, WallClock::at(QDate(2026, 3, 29), QTime(2, 30)));
    QCOMPARE(first.end, WallClock::at(QDate(2026, 3, 29), QTime(3, 15)));
    QCOMPARE(first.device, "Edge, west");
    QCOMPARE(first.note, "fan \"B\", then power");
    QCOMPARE(first.line, 2);
    QCOMPARE(incidents->at(1).device, "7:101");
    QCOMPARE(incidents->at(1).line, 3);
    QVERIFY(incidents->at(2).isAnyDevice());
    QCOMPARE(incidents->at(2).end, WallClock::at(QDate(2026, 12, 7), QTime(10, 0, 1)));
}

void tst_IncidentFile::unreadableFileIsRefused()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("missing.csv");
    QString failure;
    QVERIFY(!IncidentFile::read(path, &failure));
    QVERIFY2(failure.startsWith("the incidents file " + path + " cannot be read: "),
        qPrintable(failure));
}

QTEST_GUILESS_MAIN(tst_IncidentFile)
#include "tst_incidentfile.moc"
