#include "common/IntegerConversion.h"
#include "common/TickCounter.h"
#include "common/ValueText.h"
#include "testrun/HourWindow.h"

#include <QtTest>

using namespace tovik;

class tst_Conversions : public QObject
{
    Q_OBJECT

private slots:
    void textToInt16_data();
    void textToInt16();
    void textToInt32_data();
    void textToInt32();
    void variantToInteger_data();
    void variantToInteger();
    void failureNamesTheField_data();
    void failureNamesTheField();
    void valueTextOfColumns_data();
    void valueTextOfColumns();
    void examinedHour_data();
    void examinedHour();
    void elapsedAcrossCounterLimits_data();
    void elapsedAcrossCounterLimits();
};

void tst_Conversions::textToInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << "4"
                           << "C" << true << 4;
    QTest::newRow("half down to even") << "4.5"
                                       << "C" << true << 4;
    QTest::newRow("half up to even") << "5.5"
                                     << "C" << true << 6;
    QTest::newRow("2.5 gives 2") << "2.5"
                                 << "C" << true << 2;
    QTest::newRow("3.5 gives 4") << "3.5"
                                 << "C" << true << 4;
    QTest::newRow("just over a half") << "4.50001"
                                      << "C" << true << 5;
    QTest::newRow("below a half") << "4.49999"
                                  << "C" << true << 4;
    QTest::newRow("negative half to even") << "-2.5"
                                           << "C" << true << -2;
    QTest::newRow("negative half away") << "-3.5"
                                        << "C" << true << -4;
    QTest::newRow("minus a half is zero") << "-0.5"
                                          << "C" << true << 0;
    QTest::newRow("leading separator") << ".7"
                                       << "C" << true << 1;
    QTest::newRow("trailing separator") << "7."
                                        << "C" << true << 7;
    QTest::newRow("blanks around") << "  12 "
                                   << "C" << true << 12;
    QTest::newRow("plus sign") << "+3"
                               << "C" << true << 3;
    QTest::newRow("lowest") << "-32768"
                            << "C" << true << -32768;
    QTest::newRow("highest") << "32767"
                             << "C" << true << 32767;
    QTest::newRow("rounds to highest") << "32767.4"
                                       << "C" << true << 32767;
    QTest::newRow("rounds past highest") << "32767.5"
                                         << "C" << false << 0;
    QTest::newRow("above range") << "40000"
                                 << "C" << false << 0;
    QTest::newRow("below range") << "-32769"
                                 << "C" << false << 0;
    QTest::newRow("huge") << QString(10000, u'9') << "C" << false << 0;
    QTest::newRow("huge negative") << "-" + QString(500, u'9') << "C" << false << 0;
    QTest::newRow("empty") << ""
                           << "C" << false << 0;
    QTest::newRow("blank") << "   "
                           << "C" << false << 0;
    QTest::newRow("letters") << "abc"
                             << "C" << false << 0;
    QTest::newRow("digits then letters") << "4a"
                                         << "C" << false << 0;
    QTest::newRow("blank inside") << "1 2"
                                  << "C" << false << 0;
    QTest::newRow("exponent") << "1e3"
                              << "C" << false << 0;
    QTest::newRow("sign alone") << "-"
                                << "C" << false << 0;
    QTest::newRow("separator alone") << "."
                                     << "C" << false << 0;
    QTest::newRow("two separators") << "1.2.3"
                                    << "C" << false << 0;
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("\u0664") << "C" << false << 0;
    QTest::newRow("fullwidth digits") << QString::fromUtf8("\uFF14") << "C" << false << 0;
    QTest::newRow("german comma") << "4,5"
                                  << "de_DE" << true << 4;
    QTest::newRow("german comma up") << "5,5"
                                     << "de_DE" << true << 6;
    QTest::newRow("german takes no point") << "4.5"
                                           << "de_DE" << false << 0;
    QTest::newRow("english takes no comma") << "4,5"
                                            << "en_US" << false << 0;
}

void tst_Conversions::textToInt16()
{
    QFETCH(QString, text);
    QFETCH(QString, locale);
    QFETCH(bool, converts);
    QFETCH(int, value);

    const auto result = IntegerConversion::toInt16(text, QLocale(locale));
    QCOMPARE(result.has_value(), converts);
    if (converts)
        QCOMPARE(int(*result), value);
}

void tst_Conversions::textToInt32_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<qint64>("value");

    QTest::newRow("timeout") << "15" << true << qint64(15);
    QTest::newRow("beyond 16 bits") << "40000" << true << qint64(40000);
    QTest::newRow("highest") << "2147483647" << true << qint64(2147483647);
    QTest::newRow("lowest") << "-2147483648" << true << qint64(-2147483648LL);
    QTest::newRow("above") << "2147483648" << false << qint64(0);
    QTest::newRow("letters") << "abc" << false << qint64(0);
}

void tst_Conversions::textToInt32()
{
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(qint64, value);

    const auto result = IntegerConversion::toInt32(text, QLocale::c());
    QCOMPARE(result.has_value(), converts);
    if (converts)
        QCOMPARE(qint64(*result), value);
}

void tst_Conversions::variantToInteger_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("int16Converts");
    QTest::addColumn<int>("int16Value");
    QTest::addColumn<bool>("int32Converts");

    QTest::newRow("int") << QVariant(300) << true << 300 << true;
    QTest::newRow("int over 16 bits") << QVariant(40000) << false << 0 << true;
    QTest::newRow("bigint over 32 bits") << QVariant(qlonglong(1) << 40) << false << 0 << false;
    QTest::newRow("null int") << QVariant(QMetaType::fromType<int>()) << false << 0 << false;
    QTest::newRow("null double") << QVariant(QMetaType::fromType<double>()) << false << 0 << false;
    QTest::newRow("invalid") << QVariant() << false << 0 << false;
    QTest::newRow("double half to even") << QVariant(2.5) << true << 2 << true;
    QTest::newRow("double 3.5") << QVariant(3.5) << true << 4 << true;
    QTest::newRow("numeric text") << QVariant(QStringLiteral("12")) << true << 12 << true;
    QTest::newRow("text") << QVariant(QStringLiteral("x12")) << false << 0 << false;
    QTest::newRow("infinite") << QVariant(qInf()) << false << 0 << false;
}

void tst_Conversions::variantToInteger()
{
    QFETCH(QVariant, value);
    QFETCH(bool, int16Converts);
    QFETCH(int, int16Value);
    QFETCH(bool, int32Converts);

    const auto small = IntegerConversion::toInt16(value);
    QCOMPARE(small.has_value(), int16Converts);
    if (int16Converts)
        QCOMPARE(int(*small), int16Value);
    QCOMPARE(IntegerConversion::toInt32(value).has_value(), int32Converts);
}

void tst_Conversions::failureNamesTheField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");

    QTest::newRow("no number") << "abc"
                               << "Avg .CPU Load: \"abc\" is not a number";
    QTest::newRow("empty") << ""
                           << "Avg .CPU Load: \"\" is not a number";
    QTest::newRow("out of range") << "40000"
                                  << "Avg .CPU Load: 40000 is outside the range -32768 to 32767";
}

void tst_Conversions::failureNamesTheField()
{
    QFETCH(QString, text);
    QFETCH(QString, description);
    QCOMPARE(IntegerConversion::int16Failure("Avg .CPU Load", text, QLocale::c()), description);
}

void tst_Conversions::valueTextOfColumns_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("int") << QVariant(12) << "12";
    QTest::newRow("negative") << QVariant(-7) << "-7";
    QTest::newRow("bigint") << QVariant(qlonglong(40000)) << "40000";
    QTest::newRow("null int") << QVariant(QMetaType::fromType<int>()) << "";
    QTest::newRow("null double is not 0") << QVariant(QMetaType::fromType<double>()) << "";
    QTest::newRow("double") << QVariant(2.5) << "2.5";
    QTest::newRow("whole double") << QVariant(300.0) << "300";
    QTest::newRow("text kept as is") << QVariant(QStringLiteral(" a\tb ")) << " a\tb ";
}

void tst_Conversions::valueTextOfColumns()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QCOMPARE(valueText(value), text);
}

void tst_Conversions::examinedHour_data()
{
    QTest::addColumn<QDateTime>("reference");
    QTest::addColumn<int>("startHour");
    QTest::addColumn<int>("stopHour");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");

    const auto at = [](const char *text) {
        return QDateTime::fromString(QString::fromLatin1(text), "yyyy-MM-dd HH:mm:ss");
    };
    QTest::newRow("afternoon") << at("2016-05-19 14:37:12") << 6 << 23 << "2016-05-19 13:00:00"
                               << "2016-05-19 14:00:00";
    QTest::newRow("after midnight, stop 23") << at("2016-05-20 00:20:00") << 6 << 23 << ""
                                             << "";
    QTest::newRow("after midnight, stop 24")
        << at("2016-05-20 00:20:00") << 6 << 24 << "2016-05-19 23:00:00"
        << "2016-05-20 00:00:00";
    QTest::newRow("before the window") << at("2016-05-19 03:10:00") << 6 << 23 << ""
                                       << "";
    QTest::newRow("hour 5 fails start 6") << at("2016-05-19 06:30:00") << 6 << 23 << ""
                                          << "";
    QTest::newRow("hour 6 passes start 6")
        << at("2016-05-19 07:05:00") << 6 << 23 << "2016-05-19 06:00:00"
        << "2016-05-19 07:00:00";
    QTest::newRow("start after stop never holds") << at("2016-05-19 23:30:00") << 23 << 1 << ""
                                                  << "";
    QTest::newRow("new year") << at("2027-01-01 00:00:00") << 0 << 24 << "2026-12-31 23:00:00"
                              << "2027-01-01 00:00:00";
    QTest::newRow("leap day") << at("2028-03-01 00:59:59") << 0 << 24 << "2028-02-29 23:00:00"
                              << "2028-03-01 00:00:00";
}

void tst_Conversions::examinedHour()
{
    QFETCH(QDateTime, reference);
    QFETCH(int, startHour);
    QFETCH(int, stopHour);
    QFETCH(QString, start);
    QFETCH(QString, end);

    const HourWindow hour
        = HourWindow::examinedHour(reference, qint16(startHour), qint16(stopHour));
    QCOMPARE(hour.start, start);
    QCOMPARE(hour.end, end);
}

void tst_Conversions::elapsedAcrossCounterLimits_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("now");
    QTest::addColumn<quint32>("elapsed");

    QTest::newRow("same tick") << 1000u << 1000u << 0u;
    QTest::newRow("across 2^31") << 2147483647u << 2147483648u << 1u;
    QTest::newRow("wrap to zero") << 4294967295u << 0u << 1u;
    QTest::newRow("wrap by 250") << 4294967200u << 154u << 250u;
}

void tst_Conversions::elapsedAcrossCounterLimits()
{
    QFETCH(quint32, start);
    QFETCH(quint32, now);
    QFETCH(quint32, elapsed);
    QCOMPARE(elapsedMs(start, now), elapsed);
}

QTEST_GUILESS_MAIN(tst_Conversions)
#include "tst_conversions.moc"
