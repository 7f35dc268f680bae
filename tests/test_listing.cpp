// The range listing against the in-process box: the range check, what goes
// on the wire, and what every kind of reply does to the status and the list.
#include "harness.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

namespace {

const QString kRangeText = QStringLiteral("The upper channel value must be higher than the lower channel value.");
const QStringList kPreviousListing = {"Ch#1 1", "Ch#2 2"};

QStringList lines(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// On a clock the test moves: a reply's time-out takes no time.
struct ListingWindow : MonitorWindow {
    ListingWindow()
        : MonitorWindow(false, false, Time::Manual)
    {
        load();
        list()->addItems(kPreviousListing);
        port->clearLog();
    }
    QListWidget *list() const { return child<QListWidget>("lstLevel"); }
    void setRange(int low, int high)
    {
        child<QSlider>("sldDMXLow")->setValue(low);
        child<QSlider>("sldDMXHigh")->setValue(high);
    }
    void listRange() { clickAndSettle("Command1"); }
    QStringList expectedLines(int low, int high) const
    {
        QStringList out;
        for (int channel = low; channel <= high; ++channel)
            out << QStringLiteral("Ch#%1 %2").arg(channel).arg(port->box().level(channel));
        return out;
    }
};

} // namespace

class TestListing : public QObject {
    Q_OBJECT
private slots:
    void aRangeThatDoesNotRiseIsRefusedBeforeAnything_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("low equals high") << 50 << 50;
        QTest::newRow("low above high") << 200 << 100;
    }

    void aRangeThatDoesNotRiseIsRefusedBeforeAnything()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        ListingWindow window;
        window.setRange(low, high);
        const QString status = window.text("txtMessageBox");
        window.listRange();
        QCOMPARE(window.desktop.boxTexts, QStringList{kRangeText});
        QCOMPARE(window.desktop.boxTitles, QStringList{"Channel Range Error"});
        QVERIFY(window.port->log().isEmpty());
        QCOMPARE(window.text("txtMessageBox"), status);
        QCOMPARE(lines(window.list()), kPreviousListing);
    }

    void aRangeIsFetchedAsOneBlock_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("replyLength");
        QTest::newRow("10-20") << 10 << 20 << "ff 00 c0 09 00 0a c1" << 16;
        QTest::newRow("1-2") << 1 << 2 << "ff 00 c0 00 00 01 c1" << 7;
        QTest::newRow("100-110") << 100 << 110 << "ff 00 c0 63 00 0a c1" << 16;
        QTest::newRow("1-256") << 1 << 256 << "ff 00 c0 00 00 ff c1" << 261;
    }

    void aRangeIsFetchedAsOneBlock()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QString, request);
        QFETCH(int, replyLength);

        ListingWindow window;
        window.port->box().setLevel(low, 0);
        window.port->box().setLevel(high, 255);
        window.setRange(low, high);
        QSignalSpy inserted(window.list()->model(), &QAbstractItemModel::rowsInserted);

        window.listRange();

        const QStringList log = window.port->log();
        QCOMPARE(log.mid(0, 2), (QStringList{"discard", "write " + request}));
        QCOMPARE(window.port->lastReadLength(), replyLength);
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("Checksum correct & DMX Block Rx Successful"));
        QCOMPARE(lines(window.list()), window.expectedLines(low, high));
        QCOMPARE(inserted.count(), 1); // one batch, however many lines
        // The long message is shown from its beginning in the narrow box.
        QCOMPARE(window.child<QLineEdit>("txtMessageBox")->cursorPosition(), 0);
        QCOMPARE(window.desktop.beeps, 0);
        window.clickAndSettle("cmdReadChannel_0");
        QCOMPARE(window.port->lastReadLength(), replyLength); // left set for later reads
    }

    void aFaultyReplyGivesItsOutcome_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("listKept"); // otherwise emptied
        QTest::newRow("silence") << "silent" << "Header error" << false;
        QTest::newRow("wrong checksum") << "checksum" << "Checksum error" << false;
        QTest::newRow("wrong end byte") << "end" << "DMX Rx block not as expected" << false;
        QTest::newRow("cut after its header") << "cut3" << "Misc Software or Hardware Error" << true;
        QTest::newRow("cut inside the levels") << "cut8" << "Misc Software or Hardware Error" << true;
    }

    void aFaultyReplyGivesItsOutcome()
    {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        QFETCH(bool, listKept);

        ListingWindow window;
        SimFaults &faults = window.port->box().faults();
        faults.silent = fault == "silent";
        faults.wrongChecksum = fault == "checksum";
        faults.wrongEndByte = fault == "end";
        faults.truncateBlockTo = fault == "cut3" ? 3 : fault == "cut8" ? 8 : -1;
        window.setRange(10, 20);

        window.listRange();

        QCOMPARE(window.text("txtMessageBox"), status);
        if (listKept)
            QCOMPARE(lines(window.list()), kPreviousListing);
        else
            QCOMPARE(window.list()->count(), 0);
        QCOMPARE(window.desktop.beeps, 0);
    }

    void aSuccessAfterAFailureReplacesTheListWhole()
    {
        ListingWindow window;
        window.setRange(5, 9);
        window.listRange();
        QCOMPARE(window.list()->count(), 5);
        window.port->box().faults().truncateBlockTo = 3;
        window.setRange(30, 40);
        window.listRange();
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("Misc Software or Hardware Error"));
        QCOMPARE(lines(window.list()), window.expectedLines(5, 9));
        window.port->box().faults().truncateBlockTo = -1;
        window.listRange();
        QCOMPARE(lines(window.list()), window.expectedLines(30, 40));
    }

    void bytesAfterAReplyStayUntilTheNextListingDiscardsThem()
    {
        ListingWindow window;
        window.port->box().faults().extraAfterAnswer = "xyz";
        window.setRange(1, 3);
        window.listRange();
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("Checksum correct & DMX Block Rx Successful"));
        QVERIFY(window.runUntil([&window] { return window.port->bytesWaiting() == 3; }));

        window.port->box().faults().extraAfterAnswer.clear();
        window.port->clearLog();
        window.listRange();
        QCOMPARE(window.port->log().first(), QStringLiteral("discard"));
        QCOMPARE(window.text("txtMessageBox"), QStringLiteral("Checksum correct & DMX Block Rx Successful"));
        QCOMPARE(lines(window.list()), window.expectedLines(1, 3));
    }

    // A port pulled out keeps saying so; one that failed under the
    // listing otherwise gives the listing's catch-all. Either way at once.
    void aDeadPortFailsAtOnceAndKeepsTheList_data()
    {
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QString>("status");
        QTest::newRow("pulled out") << true << "Error Opening COM Port";
        QTest::newRow("closed under the listing") << false << "Misc Software or Hardware Error";
    }

    void aDeadPortFailsAtOnceAndKeepsTheList()
    {
        QFETCH(bool, lost);
        QFETCH(QString, status);
        ListingWindow window;
        if (lost)
            window.port->unplug();
        else
            window.port->close();
        window.desktop.beeps = 0; // the one for the lost port
        window.setRange(1, 10);
        window.listRange();
        QCOMPARE(window.text("txtMessageBox"), status);
        QCOMPARE(lines(window.list()), kPreviousListing);
        QCOMPARE(window.session->timeOuts(), 0); // a dead port does not wait out the time-out
        QCOMPARE(window.desktop.beeps, 0);
    }
};

QTEST_MAIN(TestListing)
#include "test_listing.moc"
