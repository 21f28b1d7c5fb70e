#include "sweep/ThresholdLadder.h"

#include <QtTest>

using namespace tovik;

class tst_ThresholdLadder : public QObject
{
    Q_OBJECT

private slots:
    void fromText_data();
    void fromText();
    void withAddsInOrder_data();
    void withAddsInOrder();
};

void tst_ThresholdLadder::fromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint16>>("expected"); // empty: refused

    QTest::newRow("every ten") << "10-50/10" << QList<qint16>({10, 20, 30, 40, 50});
    QTest::newRow("step past the end") << "5-17/5" << QList<qint16>({5, 10, 15});
    QTest::newRow("one value") << "80-80/1" << QList<qint16>({80});
    QTest::newRow("spaces around") << " 0-2/1 " << QList<qint16>({0, 1, 2});
    QTest::newRow("101 values") << "0-100/1" << [] {
        QList<qint16> all;
        for (qint16 t = 0; t <= 100; ++t)
            all << t;
        return all;
    }();
    QTest::newRow("102 values") << "0-101/1" << QList<qint16>();
    QTest::newRow("from above to") << "50-10/5" << QList<qint16>();
    QTest::newRow("step 0") << "5-100/0" << QList<qint16>();
    QTest::newRow("negative from") << "-5-100/5" << QList<qint16>();
    QTest::newRow("beyond 16 bits") << "32000-32768/100" << QList<qint16>();
    QTest::newRow("no step") << "5-100" << QList<qint16>();
    QTest::newRow("words") << "five-ten/one" << QList<qint16>();
    QTest::newRow("empty") << "" << QList<qint16>();
}

void tst_ThresholdLadder::fromText()
{
    QFETCH(QString, text);
    QFETCH(QList<qint16>, expected);
    QString failure;
    const auto ladder = ThresholdLadder::fromText(text, &failure);
    QCOMPARE(ladder.has_value(), !expected.isEmpty());
    if (ladder)
        QCOMPARE(ladder->thresholds(), expected);
    else
        QVERIFY(failure.contains(text.isEmpty() ? QString("''") : text));
}

void tst_ThresholdLadder::withAddsInOrder_data()
{
    QTest::addColumn<qint16>("threshold");
    QTest::addColumn<QList<qint16>>("expected");
    QTest::addColumn<int>("step");

    QTest::newRow("below") << qint16(-3) << QList<qint16>({-3, 5, 10, 15}) << 0;
    QTest::newRow("between") << qint16(12) << QList<qint16>({5, 10, 12, 15}) << 2;
    QTest::newRow("on it") << qint16(10) << QList<qint16>({5, 10, 15}) << 1;
    QTest::newRow("above") << qint16(150) << QList<qint16>({5, 10, 15, 150}) << 3;
}

void tst_ThresholdLadder::withAddsInOrder()
{
    QFETCH(qint16, threshold);
    QFETCH(QList<qint16>, expected);
    QFETCH(int, step);
    QString failure;
    const ThresholdLadder ladder = ThresholdLadder::fromText("5-15/5", &failure)->with(threshold);
    QCOMPARE(ladder.thresholds(), expected);
    QCOMPARE(ladder.stepOf(threshold), std::optional<int>(step));
    QCOMPARE(ladder.stepOf(11), threshold == 11 ? std::optional<int>(step) : std::nullopt);
}

QTEST_GUILESS_MAIN(tst_ThresholdLadder)
#include "tst_thresholdladder.moc"
