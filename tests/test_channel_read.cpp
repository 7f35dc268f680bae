// The operator's single read: the command on the wire, and what each answer
// the box may give puts in the status box, the level box and the speaker.
#include "protocol.h"
#include "harness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace {

// The window on a clock the test moves: a read's time-out takes no time.
struct ReadWindow : MonitorWindow {
    explicit ReadWindow(bool openFails = false)
        : MonitorWindow(false, openFails, Time::Manual)
    {
    }
};

} // namespace

class TestChannelRead : public QObject {
    Q_OBJECT
private slots:
    void commandBytes_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("1") << 1 << QByteArray("C000?");
        QTest::newRow("12") << 12 << QByteArray("C011?");
        QTest::newRow("100") << 100 << QByteArray("C099?");
        QTest::newRow("256") << 256 << QByteArray("C255?");
    }

    void commandBytes()
    {
        QFETCH(int, channel);
        QFETCH(QByteArray, command);
        QCOMPARE(protocol::readCommand(channel), command);

        // The same bytes reach the wire from the reader's button, unprefixed.
        ReadWindow window;
        window.load();
        window.child<QSlider>("sldDMXChannel_3")->setValue(channel);
        window.port->clearLog();
        window.clickAndSettle("cmdReadChannel_3");
        const QString hex = QString::fromLatin1(command.toHex(' '));
        QCOMPARE(window.port->log().mid(0, 2), (QStringList{"discard", "write " + hex}));
    }

    void answer_data()
    {
        QTest::addColumn<QByteArray>("answer"); // what the box sends back; empty: nothing
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("level");
        QTest::addColumn<int>("beeps");

        const QString ok = QStringLiteral("DMX Rx command accepted");
        const QString none = QStringLiteral("NO RESPONSE FROM DMX Transceiver");
        QTest::newRow("L255") << QByteArray("L255") << ok << "255" << 0;
        QTest::newRow("L000") << QByteArray("L000") << ok << "0" << 0;
        QTest::newRow("L007") << QByteArray("L007") << ok << "7" << 0;
        QTest::newRow("lower-case l123") << QByteArray("l123") << none << "" << 1;
        QTest::newRow("X123") << QByteArray("X123") << none << "" << 1;
        QTest::newRow("silence") << QByteArray() << none << "" << 1;
        QTest::newRow("L1 cut short") << QByteArray("L1") << none << "" << 1;
        QTest::newRow("L04 cut short") << QByteArray("L04") << none << "" << 1;
        QTest::newRow("L and three blanks") << QByteArray("L   ") << ok << "0" << 0;
        QTest::newRow("L 7 blank-padded") << QByteArray("L 7 ") << ok << "7" << 0;
        QTest::newRow("tab and line feed skipped") << QByteArray("L\t4\n") << ok << "4" << 0;
        QTest::newRow("L12345 judged by its first four") << QByteArray("L12345") << ok << "123" << 0;
        QTest::newRow("sign refused") << QByteArray("L-12") << none << "" << 1;
        QTest::newRow("point refused") << QByteArray("L1.5") << none << "" << 1;
        QTest::newRow("above 255 refused") << QByteArray("L300") << none << "" << 1;
        QTest::newRow("letter refused") << QByteArray("L2x5") << none << "" << 1;
        QTest::newRow("carriage return refused") << QByteArray("L12\r") << none << "" << 1;
        QTest::newRow("NUL refused") << QByteArray("L1\0" "2", 4) << none << "" << 1;
    }

    void answer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, status);
        QFETCH(QString, level);
        QFETCH(int, beeps);

        ReadWindow window;
        window.load();
        window.child<QLineEdit>("txtChannel0Level_1")->setText("99"); // a level from before
        window.port->box().faults().silent = true;
        SimPort *port = window.port;
        connect(port, &SimPort::wrote, port, [port, answer](const QByteArray &command) {
            if (command.startsWith('C') && !answer.isEmpty())
                port->injectFromBox(answer);
        });
        window.desktop.beeps = 0;

        window.clickAndSettle("cmdReadChannel_1");

        QCOMPARE(window.text("txtMessageBox"), status);
        QCOMPARE(window.text("txtChannel0Level_1"), level);
        QCOMPARE(window.desktop.beeps, beeps);
        for (int other : {0, 2, 3, 4})
            QCOMPARE(window.text(QStringLiteral("txtChannel0Level_%1").arg(other)), QString());
    }

    // A late answer to an earlier read is dropped, not shown as this one's.
    void aStaleAnswerWaitingIsDroppedBeforeTheRead()
    {
        ReadWindow window;
        window.load();
        window.port->box().faults().silent = true;
        window.port->injectFromBox("L042");
        QVERIFY(window.runUntil([&window] { return window.port->bytesWaiting() == 4; }));

        window.clickAndSettle("cmdReadChannel_0");

        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("NO RESPONSE FROM DMX Transceiver"));
        QCOMPARE(window.text("txtChannel0Level_0"), QString());
    }

    void readsTheBoxLevelOfTheSlidersChannel()
    {
        ReadWindow window;
        window.load();
        window.port->box().setLevel(200, 173);
        window.child<QSlider>("sldDMXChannel_4")->setValue(200);
        window.clickAndSettle("cmdReadChannel_4");
        QCOMPARE(window.text("txtChannel0Level_4"), QStringLiteral("173"));
        QCOMPARE(window.desktop.beeps, 0);
    }

    void aReadOnAPortThatNeverOpenedWritesNothingAndFails()
    {
        ReadWindow window(/*openFails=*/true);
        window.load();
        window.desktop.beeps = 0;
        window.port->clearLog();
        window.clickAndSettle("cmdReadChannel_2");
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("NO RESPONSE FROM DMX Transceiver"));
        QCOMPARE(window.text("txtChannel0Level_2"), QString());
        QCOMPARE(window.desktop.beeps, 1);
        QVERIFY(window.port->written().isEmpty());
    }

    // The loss beeped and said so once; a read meanwhile changes neither.
    void aReadOnAnUnpluggedPortFailsWithoutAWord()
    {
        ReadWindow window;
        window.load();
        window.clickAndSettle("cmdReadChannel_0");
        QCOMPARE(window.text("txtChannel0Level_0"), QString::number(window.port->box().level(1)));
        window.port->unplug();
        window.desktop.beeps = 0;
        window.clickAndSettle("cmdReadChannel_0");
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("Error Opening COM Port"));
        QCOMPARE(window.text("txtChannel0Level_0"), QString());
        QCOMPARE(window.desktop.beeps, 0);
        QCOMPARE(window.session->timeOuts(), 0);
    }
};

QTEST_MAIN(TestChannelRead)
#include "test_channel_read.moc"
