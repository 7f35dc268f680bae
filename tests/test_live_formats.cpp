// What the live view writes for the operator: a level in each display
// format, and a picture as spreadsheet text.
#include "level_format.h"
#include "snapshot_csv.h"

#include <QtTest>

class TestLiveFormats : public QObject {
    Q_OBJECT
private slots:
    void levelInEachFormat_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("hex");
        QTest::newRow("off") << 0 << "0" << "0" << "00";
        QTest::newRow("the least glow is not off") << 1 << "1" << "1" << "01";
        QTest::newRow("just under half") << 127 << "127" << "50" << "7F";
        QTest::newRow("half") << 128 << "128" << "50" << "80";
        QTest::newRow("just under full is not full") << 254 << "254" << "99" << "FE";
        QTest::newRow("full") << 255 << "255" << "100" << "FF";
    }

    void levelInEachFormat()
    {
        QFETCH(int, level);
        QFETCH(QString, decimal);
        QFETCH(QString, percent);
        QFETCH(QString, hex);
        QCOMPARE(formatLevel(level, LevelFormat::Decimal), decimal);
        QCOMPARE(formatLevel(level, LevelFormat::Percent), percent);
        QCOMPARE(formatLevel(level, LevelFormat::Hex), hex);
    }

    void snapshotText_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<QByteArray>("levels");
        QTest::addColumn<QString>("text");
        QTest::newRow("channels 1-3") << 1 << QByteArray::fromHex("00ff80") << "channel,level\n1,0\n2,255\n3,128\n";
        QTest::newRow("the last channel alone") << 256 << QByteArray::fromHex("07") << "channel,level\n256,7\n";
        QTest::newRow("no picture yet") << 1 << QByteArray() << "channel,level\n";
    }

    void snapshotText()
    {
        QFETCH(int, first);
        QFETCH(QByteArray, levels);
        QFETCH(QString, text);
        QCOMPARE(snapshotCsv(first, levels), text);
    }
};

QTEST_GUILESS_MAIN(TestLiveFormats)
#include "test_live_formats.moc"
