// When a falling battery is warned of: one warning per threshold reached, again only after a rise
// above it, the deeper one alone when a drop passes both.

#include "app/batteryalerts.h"

#include <QtTest>

using Alert = BatteryAlerts::Alert;
Q_DECLARE_METATYPE(QVector<Alert>)

class TestBatteryAlerts : public QObject
{
    Q_OBJECT
private slots:
    void warningsFollowTheLevelsRead_data();
    void warningsFollowTheLevelsRead();
    void levelsAboveAHundredAreFull_data();
    void levelsAboveAHundredAreFull();
};

void TestBatteryAlerts::warningsFollowTheLevelsRead_data()
{
    QTest::addColumn<QVector<int>>("levels");
    QTest::addColumn<QVector<Alert>>("warnings");
    const Alert none = Alert::None, low = Alert::Low, critical = Alert::Critical;

    QTest::newRow("falling past 15 warns once")
        << QVector<int>{20, 16, 15, 14, 10, 6} << QVector<Alert>{none, none, low, none, none, none};
    QTest::newRow("then past 5 once more")
        << QVector<int>{20, 14, 13, 6, 5, 4, 0}
        << QVector<Alert>{none, low, none, none, critical, none, none};
    QTest::newRow("a rise above 15 re-arms both")
        << QVector<int>{14, 4, 30, 12, 3} << QVector<Alert>{low, critical, none, low, critical};
    QTest::newRow("back to the threshold is no rise above it")
        << QVector<int>{14, 15, 14, 4, 5, 4}
        << QVector<Alert>{low, none, none, critical, none, none};
    QTest::newRow("a rise above 5 only re-arms 5")
        << QVector<int>{4, 10, 14, 3} << QVector<Alert>{critical, none, none, critical};
    QTest::newRow("a drop past both warns of the deeper")
        << QVector<int>{40, 3, 2, 14} << QVector<Alert>{none, critical, none, none};
    QTest::newRow("first reading under 15")
        << QVector<int>{10, 10, 8} << QVector<Alert>{low, none, none};
    QTest::newRow("first reading under 5")
        << QVector<int>{3, 4, 14} << QVector<Alert>{critical, none, none};
    QTest::newRow("above a hundred counts as a rise")
        << QVector<int>{12, 200, 14, 255, 4} << QVector<Alert>{low, none, low, none, critical};
}

void TestBatteryAlerts::warningsFollowTheLevelsRead()
{
    QFETCH(QVector<int>, levels);
    QFETCH(QVector<Alert>, warnings);
    BatteryAlerts alerts;
    QVector<Alert> seen;
    for (int level : levels)
        seen.append(alerts.levelRead(level));
    QCOMPARE(seen, warnings);
}

void TestBatteryAlerts::levelsAboveAHundredAreFull_data()
{
    QTest::addColumn<int>("deviceLevel");
    QTest::addColumn<int>("percent");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("full") << 100 << 100;
    QTest::newRow("just above") << 101 << 100;
    QTest::newRow("largest byte") << 255 << 100;
}

void TestBatteryAlerts::levelsAboveAHundredAreFull()
{
    QFETCH(int, deviceLevel);
    QFETCH(int, percent);
    QCOMPARE(BatteryAlerts::percentOf(deviceLevel), percent);
}

QTEST_APPLESS_MAIN(TestBatteryAlerts)
#include "tst_batteryalerts.moc"
