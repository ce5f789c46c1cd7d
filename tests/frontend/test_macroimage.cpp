// Action lists of the macro page turned into the mouse's macro image.

#include "frontend/macroimage.h"
#include "tests/frontend/bridgetesting.h"

#include <QRandomGenerator>
#include <QtTest>

using Bytes = QVector<int>;
using bridgetesting::actionList;

static Bytes imageOf(const QVariantList& list)
{
    const std::optional<macroimage::Image> image = macroimage::fromActionList(list);
    if (!image)
        return {-1};
    return Bytes(image->bytes.begin(), image->bytes.begin() + image->length);
}

static Bytes delay(int n)
{
    return {0x7F, 0x00, n >> 8, n & 0xFF};
}

// The design's conversion step by step, the reference for every list the recorder produces.
static Bytes referenceImage(const Bytes& l)
{
    Bytes b(256, 0);
    b[0] = l[1];
    b[1] = l[0];
    int p = 2;
    int k = 2;
    while (k < l.size()) {
        b[p] = l[k];
        if (l[k] == 0x7F) {
            const int n = l[k + 2] * 256 + l[k + 3];
            const int r = l[k - 2] >> 7;
            if (n >= 127) {
                b[p - 2] = 0x7F + r * 128;
                b[p] = l[k + 3];
                b[p + 1] = l[k + 2];
                p += 3;
            } else {
                b[p - 2] = n + r * 128;
                p += 1;
            }
            k += 5;
        } else if (l[k] == 0 && l[k + 1] == 0) {
            if (p != 2)
                b[p - 2] = 0x81;
            b[p + 1] = 0;
            p += 2;
            break;
        } else {
            ++p;
            ++k;
        }
    }
    return b.mid(0, p);
}

// What the recorder can store: a few items without delays between them, then items alternating
// with delays, the last item a release, the end item, zeros.
static Bytes recordedList(QRandomGenerator& rng)
{
    const int count = rng.bounded(1, 1001);
    Bytes l{count >> 8, count & 0xFF};
    const int leading = rng.bounded(0, 4);
    const int alternating = rng.bounded(0, 40);
    const auto item = [&rng](bool release) {
        const int code = rng.bounded(2) ? rng.bounded(0x04, 0x66) : rng.bounded(0xF0, 0xF5);
        return Bytes{release ? 0x81 : 0x01, code};
    };
    const auto randomDelay = [&rng] {
        return rng.bounded(3) ? rng.bounded(1, 127) : rng.bounded(127, 65536);
    };
    const int items = leading + alternating;
    for (int i = 0; i < items && l.size() + 6 + 2 <= 256; ++i) {
        if (i >= leading && i > 0)
            l += delay(randomDelay());
        l += item(i == items - 1 || rng.bounded(2));
    }
    if (items > 0 && l[l.size() - 2] != 0x81)
        l[l.size() - 2] = 0x81;
    l += Bytes{0, 0};
    return l;
}

class TestMacroImage : public QObject
{
    Q_OBJECT

private slots:
    void recordings_data()
    {
        QTest::addColumn<Bytes>("list");
        QTest::addColumn<Bytes>("image");
        QTest::newRow("press A, 50 ms, release A")
            << Bytes{0x00, 0x01, 0x01, 0x04, 0x7F, 0x00, 0x00, 0x04, 0x81, 0x04, 0x00, 0x00}
            << Bytes{0x01, 0x00, 0x04, 0x04, 0x81, 0x04, 0x00, 0x00};
        QTest::newRow("1500 ms after a press")
            << Bytes{0, 1, 0x01, 0x04} + delay(149) + Bytes{0x81, 0x04, 0, 0}
            << Bytes{0x01, 0x00, 0x7F, 0x04, 0x95, 0x00, 0x81, 0x04, 0x00, 0x00};
        QTest::newRow("1500 ms after a release")
            << Bytes{0, 1, 0x01, 0x04} + delay(4) + Bytes{0x81, 0x04} + delay(149) +
                   Bytes{0x01, 0xF0} + delay(4) + Bytes{0x81, 0xF0, 0, 0}
            << Bytes{0x01, 0x00, 0x04, 0x04, 0xFF, 0x04, 0x95,
                     0x00, 0x04, 0xF0, 0x81, 0xF0, 0x00, 0x00};
        QTest::newRow("playback 300") << Bytes{0x01, 0x2C, 0x01, 0x04, 0x81, 0x04, 0, 0}
                                      << Bytes{0x2C, 0x01, 0x01, 0x04, 0x81, 0x04, 0x00, 0x00};
        QTest::newRow("empty recording keeps the count")
            << Bytes{0x03, 0xE8, 0, 0} << Bytes{0xE8, 0x03, 0x00, 0x00};
        QTest::newRow("two keys together before the first delay")
            << Bytes{0, 1, 0x01, 0xE0, 0x01, 0x06} + delay(5) + Bytes{0x81, 0x06} + delay(3) +
                   Bytes{0x81, 0xE0, 0, 0}
            << Bytes{0x01, 0x00, 0x01, 0xE0, 0x05, 0x06, 0x83, 0x06, 0x81, 0xE0, 0x00, 0x00};
    }
    void recordings()
    {
        QFETCH(Bytes, list);
        QFETCH(Bytes, image);
        QCOMPARE(imageOf(actionList(list)), image);
    }

    void everyRecordedListGivesTheDesignsBytes()
    {
        QRandomGenerator rng(20261208);
        for (int i = 0; i < 2000; ++i) {
            const Bytes list = recordedList(rng);
            Bytes padded = list;
            padded.resize(256);
            // Lists read back from the profile file hold their numbers as doubles.
            QVariantList asStored;
            for (int e : padded)
                asStored << double(e);
            QCOMPARE(imageOf(actionList(list)), referenceImage(padded));
            QCOMPARE(imageOf(asStored), referenceImage(padded));
        }
    }

    // Shapes the recorder does not produce still give every record its own control byte.
    void irregularLists_data()
    {
        QTest::addColumn<Bytes>("list");
        QTest::addColumn<Bytes>("image");
        QTest::newRow("two items without a delay after a delay")
            << Bytes{0, 1, 0x01, 0x04} + delay(5) + Bytes{0x81, 0x04, 0x01, 0x05} + delay(2) +
                   Bytes{0x81, 0x05, 0, 0}
            << Bytes{0x01, 0x00, 0x05, 0x04, 0x80, 0x04, 0x02, 0x05, 0x81, 0x05, 0x00, 0x00};
        QTest::newRow("short delay before the end item")
            << Bytes{0, 1, 0x01, 0x04} + delay(5) + Bytes{0x81, 0x04} + delay(10) + Bytes{0, 0}
            << Bytes{0x01, 0x00, 0x05, 0x04, 0x8A, 0x04, 0x00, 0x00};
        QTest::newRow("long delay before the end item")
            << Bytes{0, 1, 0x01, 0x04} + delay(256) + Bytes{0, 0}
            << Bytes{0x01, 0x00, 0x7F, 0x04, 0x00, 0x01, 0x00, 0x00};
        QTest::newRow("delay before any item has nothing to delay")
            << Bytes{0, 1} + delay(5) + Bytes{0x81, 0x04, 0, 0}
            << Bytes{0x01, 0x00, 0x81, 0x04, 0x00, 0x00};
        QTest::newRow("delays in a row add up")
            << Bytes{0, 1, 0x01, 0x04} + delay(100) + delay(100) + Bytes{0x81, 0x04, 0, 0}
            << Bytes{0x01, 0x00, 0x7F, 0x04, 0xC8, 0x00, 0x81, 0x04, 0x00, 0x00};
        QTest::newRow("a press as the last item stays a press")
            << Bytes{0, 1, 0x01, 0x04} + delay(3) + Bytes{0x01, 0x05, 0, 0}
            << Bytes{0x01, 0x00, 0x03, 0x04, 0x01, 0x05, 0x00, 0x00};
        QTest::newRow("pair without a code is skipped")
            << Bytes{0, 1, 0x01, 0x00, 0x81, 0x04, 0, 0} << Bytes{0x01, 0x00, 0x81, 0x04, 0, 0};
    }
    void irregularLists()
    {
        QFETCH(Bytes, list);
        QFETCH(Bytes, image);
        QCOMPARE(imageOf(actionList(list)), image);
    }

    // Lists that end early are read only as far as they go.
    void shortListsEndWithTheEndItem_data()
    {
        QTest::addColumn<Bytes>("list");
        QTest::addColumn<Bytes>("image");
        QTest::newRow("count only") << Bytes{0, 2} << Bytes{0x02, 0x00, 0x00, 0x00};
        QTest::newRow("delay cut off")
            << Bytes{0, 1, 0x01, 0x04, 0x7F, 0x00} << Bytes{0x01, 0x00, 0x01, 0x04, 0x00, 0x00};
        QTest::newRow("odd entry at the end")
            << Bytes{0, 1, 0x81, 0x04, 0x01} << Bytes{0x01, 0x00, 0x81, 0x04, 0x00, 0x00};
    }
    void shortListsEndWithTheEndItem()
    {
        QFETCH(Bytes, list);
        QFETCH(Bytes, image);
        QVariantList exact;
        for (int e : list)
            exact << e;
        QCOMPARE(imageOf(exact), image);
    }

    void longListsAreCutAtAWholeRecord()
    {
        // 2-byte records only, and no end item: 126 records fill the image exactly.
        QVariantList plain{0, 1};
        for (int i = 0; plain.size() < 1000; ++i)
            plain << (i % 2 ? 0x81 : 0x01) << 0x04;
        Bytes image = imageOf(plain);
        QCOMPARE(image.size(), 256);
        QCOMPARE(image.mid(254), Bytes({0, 0}));
        QCOMPARE(image.mid(250, 4), Bytes({0x01, 0x04, 0x81, 0x04}));

        // Long delays fold into fewer image bytes than list entries: still only what the page's
        // 256 entries hold is sent, up to the last item that leaves room for the end item, as
        // the page shows it. Here: the first record, 41 delayed ones, then one without its delay.
        Bytes mixed{0, 1, 0x01, 0x04};
        for (int i = 0; i < 100; ++i)
            mixed += Bytes{i % 2 ? 0x01 : 0x81, 0x05} + delay(500);
        QVariantList list;
        for (int e : mixed)
            list << e;
        image = imageOf(list);
        QCOMPARE(image.size(), 2 + 2 + 41 * 4 + 2 + 2);
        QCOMPARE(image.mid(image.size() - 8),
                 Bytes({0xFF, 0x05, 0xF4, 0x01, 0x01, 0x05, 0x00, 0x00}));

        QVariantList huge;
        for (int i = 0; i < 200000; ++i)
            huge << 0x01;
        QCOMPARE(imageOf(huge).size(), 256);
    }

    void damagedListsGiveNoImage_data()
    {
        QTest::addColumn<QVariantList>("list");
        QTest::newRow("empty") << QVariantList();
        QTest::newRow("count high byte only") << QVariantList{0};
        QTest::newRow("above 255") << actionList({0, 1, 0x01, 256, 0x81, 4, 0, 0});
        QTest::newRow("negative") << actionList({0, 1, 0x01, -4});
        QTest::newRow("fraction") << QVariantList{0, 1, 0x01, 4.5, 0, 0};
        QTest::newRow("text") << QVariantList{0, 1, QStringLiteral("1"), 4, 0, 0};
        QTest::newRow("truth value") << QVariantList{0, 1, true, 4, 0, 0};
        QTest::newRow("null") << QVariantList{0, 1, QVariant(), 4, 0, 0};
        QTest::newRow("nested list") << QVariantList{0, 1, QVariant(QVariantList{1}), 4, 0, 0};
        QTest::newRow("not a number after the end item")
            << QVariantList{0, 1, 0, 0, QStringLiteral("x")};
    }
    void damagedListsGiveNoImage()
    {
        QFETCH(QVariantList, list);
        QVERIFY(!macroimage::fromActionList(list));
    }
};

QTEST_GUILESS_MAIN(TestMacroImage)
#include "test_macroimage.moc"
