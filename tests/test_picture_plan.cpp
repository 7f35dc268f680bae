// How a range of the universe goes to the wire: which blocks and reads, and
// the exact bytes of each.
#include "harness.h"
#include "picture_plan.h"
#include "protocol.h"

#include <QtTest>

using picture_plan::Piece;

Q_DECLARE_METATYPE(QVector<Piece>)

namespace {

Piece block(int first, int count, int from, int to)
{
    return picture_plan::block(first, count, from, to);
}

QByteArray wire(const QVector<Piece> &pieces)
{
    QByteArray bytes;
    for (const Piece &piece : pieces) {
        if (piece.kind == Piece::Kind::Read)
            bytes += protocol::readCommand(piece.first);
        else
            bytes += protocol::block::buildRequest(piece.first, piece.count).value_or("refused");
    }
    return bytes;
}

} // namespace

class TestPicturePlan : public QObject {
    Q_OBJECT
private slots:
    void pieces_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QVector<Piece>>("pieces");
        QTest::addColumn<QByteArray>("wire");
        const auto read = picture_plan::read;
        QTest::newRow("1-512") << 1 << 512 << QVector<Piece>{block(1, 256, 1, 256), block(256, 256, 257, 511), read(512)}
                               << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0xFF, 0xC1, 0xFF, 0x00, 0xC0, 0xFF, 0x00, 0xFF,
                                         0xC1, 'C', '5', '1', '1', '?'});
        QTest::newRow("1-256") << 1 << 256 << QVector<Piece>{block(1, 256, 1, 256)}
                               << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0xFF, 0xC1});
        QTest::newRow("one channel, read") << 12 << 12 << QVector<Piece>{read(12)} << QByteArray("C011?");
        QTest::newRow("across 256") << 250 << 260 << QVector<Piece>{block(250, 7, 250, 256), block(256, 5, 257, 260)}
                                    << bytes({0xFF, 0x00, 0xC0, 0xF9, 0x00, 0x06, 0xC1, 0xFF, 0x00, 0xC0, 0xFF, 0x00,
                                              0x04, 0xC1});
        QTest::newRow("257 alone") << 257 << 257 << QVector<Piece>{read(257)} << QByteArray("C256?");
        QTest::newRow("300-400: one block from 256") << 300 << 400 << QVector<Piece>{block(256, 145, 300, 400)}
                                                     << bytes({0xFF, 0x00, 0xC0, 0xFF, 0x00, 0x90, 0xC1});
        QTest::newRow("509-512: reads are fewer bytes")
            << 509 << 512 << QVector<Piece>{read(509), read(510), read(511), read(512)}
            << QByteArray("C508?C509?C510?C511?");
        QTest::newRow("512 alone") << 512 << 512 << QVector<Piece>{read(512)} << QByteArray("C511?");
        QTest::newRow("256-512") << 256 << 512 << QVector<Piece>{read(256), block(256, 256, 257, 511), read(512)}
                                 << QByteArray("C255?") + bytes({0xFF, 0x00, 0xC0, 0xFF, 0x00, 0xFF, 0xC1}) + "C511?";
        QTest::newRow("0 refused") << 0 << 10 << QVector<Piece>{} << QByteArray();
        QTest::newRow("513 refused") << 500 << 513 << QVector<Piece>{} << QByteArray();
        QTest::newRow("falling refused") << 20 << 10 << QVector<Piece>{} << QByteArray();
    }

    void pieces()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QVector<Piece>, pieces);
        QFETCH(QByteArray, wire);
        const QVector<Piece> planned = picture_plan::plan(first, last);
        QCOMPARE(planned, pieces);
        QCOMPARE(::wire(planned).toHex(' '), wire.toHex(' '));
    }

    // 545 bytes both ways: 268 for each block, 9 for the read.
    void universeOnTheLine()
    {
        int total = 0;
        for (const Piece &piece : picture_plan::plan(1, 512))
            total += piece.wireBytes();
        QCOMPARE(total, 545);
    }
};

QTEST_GUILESS_MAIN(TestPicturePlan)
#include "test_picture_plan.moc"
