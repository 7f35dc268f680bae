#include "harness.h"
#include "line_pacer.h"
#include "sim_box.h"

#include <QRandomGenerator>
#include <QtTest>

Q_DECLARE_METATYPE(SimFaults)

namespace {

QByteArray blockRequest(int firstIndex, int lastOffset)
{
    return bytes({0xFF, 0x00, 0xC0, firstIndex, 0x00, lastOffset, 0xC1});
}

// Levels the tests can recognise: channel 1 at 37, 2 at 200, 3 at 5,
// channel 256 at 128, 512 at 255, and the rest at 0.
void pinLevels(SimBox &box)
{
    for (int channel = 1; channel <= SimBox::kChannels; ++channel)
        box.setLevel(channel, 0);
    box.setLevel(1, 37);
    box.setLevel(2, 200);
    box.setLevel(3, 5);
    box.setLevel(256, 128);
    box.setLevel(512, 255);
}

// The reply to a request for channels 1..3 of pinLevels(): 37+200+5 = 242.
const QByteArray kFirstThreeReply = bytes({0xFF, 0xFF, 0xC0, 37, 200, 5, 242, 0xC1});

} // namespace

class TestSimBox : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void answersFragmented_data() { answers_data(); }
    void answersFragmented();
    void faults_data();
    void faults();
    void countsRequests();
    void garbageNeverWedgesTheBox();
    void levelsMoveWhileAnimated();
    void linePaces_data();
    void linePaces();
};

void TestSimBox::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray flush(265, '\0');
    QTest::newRow("flush alone") << flush << QByteArray();
    QTest::newRow("probe") << QByteArray("C?") << QByteArray("G");
    QTest::newRow("flush then probe") << flush + "C?" << QByteArray("G");
    QTest::newRow("first channel") << QByteArray("C000?") << QByteArray("L037");
    QTest::newRow("three digit level") << QByteArray("C001?") << QByteArray("L200");
    QTest::newRow("single digit level") << QByteArray("C002?") << QByteArray("L005");
    QTest::newRow("zero level") << QByteArray("C010?") << QByteArray("L000");
    QTest::newRow("channel 256") << QByteArray("C255?") << QByteArray("L128");
    QTest::newRow("channel 512") << QByteArray("C511?") << QByteArray("L255");
    QTest::newRow("no channel 513") << QByteArray("C512?") << QByteArray();
    QTest::newRow("two digits only") << QByteArray("C12?") << QByteArray();
    QTest::newRow("four digits") << QByteArray("C0001?") << QByteArray();
    QTest::newRow("noise then probe") << QByteArray("xxC?") << QByteArray("G");
    QTest::newRow("broken read then probe") << QByteArray("C1C?") << QByteArray("G");
    QTest::newRow("NUL breaks a read") << QByteArray("C0\0C?", 5) << QByteArray("G");
    QTest::newRow("lower case probe is noise") << QByteArray("c?") << QByteArray();
    QTest::newRow("back to back") << QByteArray("C?C000?C?") << QByteArray("GL037G");
    QTest::newRow("block of three") << blockRequest(0, 2) << kFirstThreeReply;
    QTest::newRow("block of one") << blockRequest(255, 0) << bytes({0xFF, 0xFF, 0xC0, 128, 128, 0xC1});
    QTest::newRow("block after flush") << flush + blockRequest(0, 2) << kFirstThreeReply;
    QTest::newRow("doubled header byte") << bytes({0xFF}) + blockRequest(0, 2) << kFirstThreeReply;
    QTest::newRow("block then read") << blockRequest(0, 2) + "C000?" << kFirstThreeReply + "L037";
    QTest::newRow("block wrong end") << bytes({0xFF, 0x00, 0xC0, 0, 0, 2, 0xC0}) << QByteArray();
    QTest::newRow("block high first byte") << bytes({0xFF, 0x00, 0xC0, 0, 1, 2, 0xC1}) << QByteArray();
    QTest::newRow("block header cut by probe") << bytes({0xFF, 0x00}) + "C?" << QByteArray("G");
    QTest::newRow("reply header is not a request") << kFirstThreeReply + "C?" << QByteArray("G");
}

void TestSimBox::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    SimBox box;
    pinLevels(box);
    QCOMPARE(box.feed(request), answer);
}

// A pty hands the box one byte at a time as often as not.
void TestSimBox::answersFragmented()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    SimBox box;
    pinLevels(box);
    QByteArray got;
    for (char byte : request)
        got += box.feed(QByteArray(1, byte));
    QCOMPARE(got, answer);
}

void TestSimBox::faults_data()
{
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    SimFaults silent;
    silent.silent = true;
    QTest::newRow("silent probe") << silent << QByteArray("C?") << QByteArray();
    QTest::newRow("silent read") << silent << QByteArray("C000?") << QByteArray();
    QTest::newRow("silent block") << silent << blockRequest(0, 2) << QByteArray();

    SimFaults silentSecond;
    silentSecond.silentChannels = {2};
    QTest::newRow("silent channel read") << silentSecond << QByteArray("C001?") << QByteArray();
    QTest::newRow("neighbour still answers") << silentSecond << QByteArray("C000?C002?") << QByteArray("L037L005");
    QTest::newRow("block over silent channel") << silentSecond << blockRequest(0, 2) << QByteArray();
    QTest::newRow("block beside silent channel")
        << silentSecond << blockRequest(2, 0) << bytes({0xFF, 0xFF, 0xC0, 5, 5, 0xC1});
    QTest::newRow("probe despite silent channel") << silentSecond << QByteArray("C?") << QByteArray("G");

    // A box of 256 channels: the upper half goes unanswered, block or read.
    SimFaults half;
    half.servedChannels = 256;
    QTest::newRow("half box, channel 256") << half << QByteArray("C255?") << QByteArray("L128");
    QTest::newRow("half box, channel 257") << half << QByteArray("C256?") << QByteArray();
    QTest::newRow("half box, channel 512") << half << QByteArray("C511?") << QByteArray();
    QTest::newRow("half box, block 256-511") << half << blockRequest(255, 255) << QByteArray();
    QTest::newRow("half box, block of 256 alone") << half << blockRequest(255, 0)
                                                   << bytes({0xFF, 0xFF, 0xC0, 128, 128, 0xC1});

    SimFaults lower;
    lower.lowerCase = true;
    QTest::newRow("lower case probe") << lower << QByteArray("C?") << QByteArray("g");
    QTest::newRow("lower case read") << lower << QByteArray("C000?") << QByteArray("l037");
    QTest::newRow("lower case block unchanged") << lower << blockRequest(0, 2) << kFirstThreeReply;

    SimFaults badSum;
    badSum.wrongChecksum = true;
    QTest::newRow("wrong checksum")
        << badSum << blockRequest(0, 2) << bytes({0xFF, 0xFF, 0xC0, 37, 200, 5, 243, 0xC1});
    QTest::newRow("wrong checksum, one channel")
        << badSum << blockRequest(255, 0) << bytes({0xFF, 0xFF, 0xC0, 128, 129, 0xC1});
    QTest::newRow("probe keeps its answer") << badSum << QByteArray("C?") << QByteArray("G");

    SimFaults badEnd;
    badEnd.wrongEndByte = true;
    QTest::newRow("wrong end byte")
        << badEnd << blockRequest(0, 2) << bytes({0xFF, 0xFF, 0xC0, 37, 200, 5, 242, 0xC2});

    SimFaults cut;
    cut.truncateBlockTo = 5;
    QTest::newRow("truncated block") << cut << blockRequest(0, 2) << kFirstThreeReply.left(5);
    QTest::newRow("truncation spares reads") << cut << QByteArray("C001?") << QByteArray("L200");
    SimFaults cutToNothing;
    cutToNothing.truncateBlockTo = 0;
    QTest::newRow("block cut to nothing") << cutToNothing << blockRequest(0, 2) << QByteArray();
    SimFaults cutBeyond;
    cutBeyond.truncateBlockTo = 100;
    QTest::newRow("cut beyond the end") << cutBeyond << blockRequest(0, 2) << kFirstThreeReply;

    SimFaults extra;
    extra.extraAfterAnswer = "\r\n";
    QTest::newRow("extra after probe") << extra << QByteArray("C?") << QByteArray("G\r\n");
    QTest::newRow("extra after each read") << extra << QByteArray("C000?C?") << QByteArray("L037\r\nG\r\n");
    QTest::newRow("extra after block") << extra << blockRequest(0, 2) << kFirstThreeReply + "\r\n";
    QTest::newRow("no extra for a flush") << extra << QByteArray(10, '\0') << QByteArray();

    SimFaults silentWithExtra = extra;
    silentWithExtra.silent = true;
    QTest::newRow("silent sends no extra") << silentWithExtra << QByteArray("C?") << QByteArray();
}

void TestSimBox::faults()
{
    QFETCH(SimFaults, faults);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    SimBox box;
    pinLevels(box);
    box.faults() = faults;
    QCOMPARE(box.feed(request), answer);
}

void TestSimBox::countsRequests()
{
    SimBox box;
    box.faults().silent = true; // a box that does not answer still heard the request
    box.feed(QByteArray(3, '\0') + "C?C000?xC511?" + blockRequest(0, 0) + "C?");
    QCOMPARE(box.nulsSeen(), qint64(3));
    QCOMPARE(box.probes(), 2);
    QCOMPARE(box.reads(), 2);
    QCOMPARE(box.blockRequests(), 1);
}

// Whatever noise the line carries, the box holds at most one request's worth
// of it and the host's usual NUL flush brings it back to listening.
void TestSimBox::garbageNeverWedgesTheBox()
{
    SimBox box;
    QRandomGenerator random(20240611);
    qint64 fed = 0;
    while (fed < 100000) {
        QByteArray chunk(int(random.bounded(1, 64)), Qt::Uninitialized);
        for (char &byte : chunk)
            byte = char(random.bounded(256));
        box.feed(chunk);
        fed += chunk.size();
        QVERIFY2(box.pendingBytes() <= 7, qPrintable(QString::number(box.pendingBytes())));
    }
    QCOMPARE(box.feed(QByteArray(16, '\0') + "C?"), QByteArray("G"));
}

void TestSimBox::levelsMoveWhileAnimated()
{
    SimBox box;
    QVERIFY(box.animated());
    const quint8 first = box.level(1);
    QTRY_VERIFY_WITH_TIMEOUT(box.level(1) != first, 1500);

    box.setLevel(1, 9);
    QVERIFY(!box.animated());
    QCOMPARE(box.feed("C000?"), QByteArray("L009"));
}

// What `--baud` lets onto the line, and when: never a byte before its ten
// bit times are over, and an answer only after the whole request is in.
void TestSimBox::linePaces_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("requestBytes"); // heard at the start
    QTest::addColumn<QList<int>>("answers"); // byte counts, each sent at the start or once the request is in
    QTest::addColumn<QList<int>>("atMicroseconds");
    QTest::addColumn<QList<int>>("sentBy"); // bytes wholly sent by then

    QTest::newRow("a 256-channel reply at 115200")
        << 115200 << 0 << QList<int>{261} << QList<int>{86, 87, 22656, 22657} << QList<int>{0, 1, 260, 261};
    QTest::newRow("a read's answer behind its request")
        << 115200 << 5 << QList<int>{4} << QList<int>{520, 521, 781, 782} << QList<int>{0, 1, 3, 4};
    QTest::newRow("two answers back to back at 9600")
        << 9600 << 0 << QList<int>{1, 4} << QList<int>{1041, 1042, 5208, 5209} << QList<int>{0, 1, 4, 5};
}

void TestSimBox::linePaces()
{
    QFETCH(int, baud);
    QFETCH(int, requestBytes);
    QFETCH(QList<int>, answers);
    QFETCH(QList<int>, atMicroseconds);
    QFETCH(QList<int>, sentBy);

    LinePacer line(baud);
    const LinePacer::Clock::time_point start = LinePacer::Clock::now();
    const LinePacer::Clock::time_point heard = requestBytes > 0 ? line.heard(requestBytes, start) : start;
    QByteArray all;
    for (int count : answers) {
        const QByteArray answer(count, char('a' + all.size() % 26));
        line.send(answer, heard);
        all += answer;
    }
    QByteArray sent;
    for (int i = 0; i < atMicroseconds.size(); ++i) {
        const auto at = start + std::chrono::microseconds{atMicroseconds[i]};
        sent += line.takeSent(at);
        QCOMPARE(sent.size(), sentBy[i]);
        QVERIFY(!line.nextDue() || *line.nextDue() > at);
    }
    QCOMPARE(sent, all.left(sent.size()));
}

QTEST_GUILESS_MAIN(TestSimBox)
#include "test_sim_box.moc"
