// The block frame byte for byte: requests, and the judgement of replies.
#include "protocol.h"
#include "harness.h"

#include <QTest>

using protocol::block::Outcome;

Q_DECLARE_METATYPE(protocol::block::Outcome)

namespace {

QByteArray repeated(int count, int value)
{
    return QByteArray(count, char(value));
}

} // namespace

class TestBlockFrame : public QObject {
    Q_OBJECT
private slots:
    void request_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("request"); // empty: refused

        QTest::newRow("F=1 N=3") << 1 << 3 << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0x02, 0xC1});
        QTest::newRow("F=100 N=3") << 100 << 3 << bytes({0xFF, 0x00, 0xC0, 0x63, 0x00, 0x02, 0xC1});
        QTest::newRow("N=1") << 1 << 1 << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0x00, 0xC1});
        QTest::newRow("F=1 N=2") << 1 << 2 << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0x01, 0xC1});
        QTest::newRow("F=1 N=256") << 1 << 256 << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0xFF, 0xC1});
        QTest::newRow("F=256 N=256") << 256 << 256 << bytes({0xFF, 0x00, 0xC0, 0xFF, 0x00, 0xFF, 0xC1});
        QTest::newRow("F=257 refused") << 257 << 1 << QByteArray();
        QTest::newRow("F=0 refused") << 0 << 1 << QByteArray();
        QTest::newRow("N=257 refused") << 1 << 257 << QByteArray();
        QTest::newRow("N=0 refused") << 1 << 0 << QByteArray();
    }

    void request()
    {
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(QByteArray, request);
        const std::optional<QByteArray> built = protocol::block::buildRequest(first, count);
        QCOMPARE(built.has_value(), !request.isEmpty());
        if (built)
            QCOMPARE(*built, request);
    }

    void replyLength()
    {
        QCOMPARE(protocol::block::replyLength(1), 6);
        QCOMPARE(protocol::block::replyLength(3), 8);
        QCOMPARE(protocol::block::replyLength(256), 261);
    }

    void reply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("levels");

        const QByteArray example = bytes({0xFF, 0xFF, 0xC0, 0x0A, 0x14, 0x1E, 0x3C, 0xC1});
        QTest::newRow("worked example") << example << 3 << Outcome::Success << bytes({10, 20, 30});
        QTest::newRow("N=1, checksum is the level") << bytes({0xFF, 0xFF, 0xC0, 0x2A, 0x2A, 0xC1}) << 1
                                                    << Outcome::Success << bytes({42});
        const QByteArray full = bytes({0xFF, 0xFF, 0xC0}) + repeated(256, 0xFF) + bytes({0x00, 0xC1});
        QTest::newRow("256 levels of 255, checksum 00") << full << 256 << Outcome::Success << repeated(256, 0xFF);
        QTest::newRow("header echo FF 00 C0") << bytes({0xFF, 0x00, 0xC0, 0x0A, 0x14, 0x1E, 0x3C, 0xC1}) << 3
                                              << Outcome::HeaderError << QByteArray();
        QTest::newRow("empty") << QByteArray() << 3 << Outcome::HeaderError << QByteArray();
        QTest::newRow("two bytes") << bytes({0xFF, 0xFF}) << 3 << Outcome::HeaderError << QByteArray();
        QTest::newRow("wrong checksum and end byte") << bytes({0xFF, 0xFF, 0xC0, 0x0A, 0x14, 0x1E, 0x3D, 0x00}) << 3
                                                     << Outcome::ChecksumError << QByteArray();
        QTest::newRow("wrong end byte") << bytes({0xFF, 0xFF, 0xC0, 0x0A, 0x14, 0x1E, 0x3C, 0xC2}) << 3
                                        << Outcome::NotAsExpected << QByteArray();
        QTest::newRow("N+4 bytes, right checksum") << example.left(7) << 3 << Outcome::Truncated << QByteArray();
        QTest::newRow("N+4 bytes, wrong checksum") << bytes({0xFF, 0xFF, 0xC0, 0x0A, 0x14, 0x1E, 0x3B}) << 3
                                                   << Outcome::ChecksumError << QByteArray();
        QTest::newRow("cut inside the levels") << example.left(5) << 3 << Outcome::Truncated << QByteArray();
        QTest::newRow("header only") << example.left(3) << 3 << Outcome::Truncated << QByteArray();
        QTest::newRow("bytes beyond N+5 not looked at") << example + bytes({0x00, 0x99}) << 3 << Outcome::Success
                                                        << bytes({10, 20, 30});
    }

    void reply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(Outcome, outcome);
        QFETCH(QByteArray, levels);
        const protocol::block::Check check = protocol::block::checkReply(reply, count);
        QCOMPARE(check.outcome, outcome);
        QCOMPARE(check.levels, levels);
    }

    void buildReplyMatchesTheWorkedExample()
    {
        QCOMPARE(protocol::block::buildReply(bytes({10, 20, 30})),
                 bytes({0xFF, 0xFF, 0xC0, 0x0A, 0x14, 0x1E, 0x3C, 0xC1}));
        const QByteArray levels = repeated(256, 0xFF);
        QCOMPARE(protocol::block::checkReply(protocol::block::buildReply(levels), 256).levels, levels);
    }
};

QTEST_GUILESS_MAIN(TestBlockFrame)
#include "test_block_frame.moc"
