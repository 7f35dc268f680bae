// Live Channels from the keyboard: the cursor, pins, typed channels and the
// format key on the grid, and the program's own keys from every window.
#include "harness.h"
#include "level_grid.h"
#include "live_channels_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QtTest>

namespace {

struct KeyRig : LiveWindow {
    KeyRig()
    {
        grid = live->findChild<LevelGrid *>(QStringLiteral("grdLevels"));
    }
    // "l l Down 1 2 Return": each word one key, as a key sequence writes it.
    void press(const QString &keys)
    {
        for (const QString &word : keys.split(u' ', Qt::SkipEmptyParts)) {
            const QKeyCombination key = QKeySequence(word)[0];
            QTest::keyClick(grid, key.key(), key.keyboardModifiers());
        }
    }
    QString pins() const
    {
        QStringList out;
        for (int channel : live->fetch().pinned())
            out << QString::number(channel);
        return out.join(u',');
    }

    LevelGrid *grid = nullptr;
};

} // namespace

class TestLiveKeyboard : public QObject {
    Q_OBJECT
private slots:
    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("pins");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("note");
        const QString decimal = QStringLiteral("Decimal 0-255");
        QTest::newRow("start") << "" << 1 << "" << decimal << "";
        QTest::newRow("arrows") << "Right Right Down Down Left Up" << 18 << "" << decimal << "";
        QTest::newRow("h j k l") << "L L J J H K" << 18 << "" << decimal << "";
        QTest::newRow("stops at the first") << "Left Up H K" << 1 << "" << decimal << "";
        QTest::newRow("stops at the last") << "End Right Down" << 512 << "" << decimal << "";
        QTest::newRow("Home") << "End Home" << 1 << "" << decimal << "";
        QTest::newRow("page down") << "Right PgDown" << 130 << "" << decimal << "";
        QTest::newRow("page down to the last row") << "Right PgDown PgDown PgDown PgDown" << 498 << "" << decimal << "";
        QTest::newRow("page up") << "End PgUp" << 384 << "" << decimal << "";
        QTest::newRow("page up to the first row") << "Right Down PgUp" << 2 << "" << decimal << "";
        QTest::newRow("typed channel") << "1 2 Return" << 12 << "" << decimal << "";
        QTest::newRow("typed 512") << "5 1 2 Return" << 512 << "" << decimal << "";
        QTest::newRow("typed, corrected") << "1 2 Backspace 3 Return" << 13 << "" << decimal << "";
        QTest::newRow("being typed") << "4 7" << 1 << "" << decimal << "Go to channel 47 (Enter)";
        QTest::newRow("no such channel")
            << "6 0 0 Return" << 1 << "" << decimal << "There is no channel 600: the channels are 1 to 512.";
        QTest::newRow("Space pins") << "Right Space" << 2 << "2" << decimal << "";
        QTest::newRow("Space unpins") << "Space Space" << 1 << "" << decimal << "";
        QTest::newRow("Enter pins") << "3 0 Return Return" << 30 << "30" << decimal << "";
        QTest::newRow("five pins") << "Space L Space L Space L Space L Space" << 5 << "1,2,3,4,5" << decimal << "";
        QTest::newRow("a sixth pin is refused")
            << "Space L Space L Space L Space L Space L Space" << 6 << "1,2,3,4,5" << decimal
            << "Channel 6 is not pinned: 5 channels are pinned already. Unpin one first.";
        QTest::newRow("unpinning makes room") << "Space L Space L Space L Space L Space L Space H Space L Space" << 6
                                              << "1,2,3,4,6" << decimal << "";
        QTest::newRow("m: percent") << "M" << 1 << "" << "Percent 0-100 %" << "";
        QTest::newRow("m m: hex") << "M M" << 1 << "" << "Hex 00-FF" << "";
        QTest::newRow("m m m: decimal again") << "M M M" << 1 << "" << decimal << "";
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(int, cursor);
        QFETCH(QString, pins);
        QFETCH(QString, format);
        QFETCH(QString, note);
        KeyRig rig;
        QVERIFY(rig.grid);
        rig.press(keys);
        QCOMPARE(rig.grid->cursor(), cursor);
        QCOMPARE(rig.pins(), pins);
        QCOMPARE(rig.live->findChild<QComboBox *>(QStringLiteral("cboFormat"))->currentText(), format);
        QCOMPARE(rig.live->findChild<QLabel *>(QStringLiteral("lblGridNote"))->text(), note);
    }

    // The cursor's channel and level reach a screen reader.
    void gridSpeaksTheCursor()
    {
        KeyRig rig;
        rig.port->box().setLevel(12, 137);
        QTRY_VERIFY(rig.live->fetch().level(12) == 137);
        rig.press(QStringLiteral("1 2 Return"));
        QTRY_COMPARE(rig.grid->accessibleDescription(), QStringLiteral("Channel 12: 137"));
        rig.press(QStringLiteral("Space M"));
        QCOMPARE(rig.grid->accessibleDescription(), QStringLiteral("Channel 12: 54, pinned"));
    }

    void programKeysFromEveryWindow()
    {
        KeyRig rig;
        rig.live->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.live));
        QTest::keyClick(rig.grid, Qt::Key_F1);
        QPointer<HelpWindow> help = rig.form->helpWindow();
        QVERIFY(help);
        help->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, Qt::Key_L, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::activeWindow(), rig.live.data());
        help->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!help);
        rig.live->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.live));
        QTest::keyClick(rig.grid, Qt::Key_Q, Qt::ControlModifier);
        QTRY_COMPARE(rig.desktop.ends, 1);
    }
};

QTEST_MAIN(TestLiveKeyboard)
#include "test_live_keyboard.moc"
