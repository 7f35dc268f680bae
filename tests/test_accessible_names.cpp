// What a screen reader hears: every control of both windows has a name, and
// the names that carry a channel or a level follow it.
#include "harness.h"
#include "level_grid.h"
#include "live_channels_window.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QSlider>
#include <QToolBar>
#include <QtTest>

namespace {

QString spoken(QWidget *widget, QAccessible::Text kind = QAccessible::Name)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(kind) : QString();
}

// A spin box's or a combo box's own line edit and buttons speak as part of
// it, not on their own.
bool partOfAControl(QWidget *widget)
{
    for (QWidget *up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget()) {
        if (qobject_cast<QAbstractSpinBox *>(up) || qobject_cast<QComboBox *>(up))
            return true;
    }
    return false;
}

// The controls a keyboard or a pointer can work, and that are no scroll
// area's own scroll bars.
QStringList nameless(QWidget *window)
{
    QStringList out;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const bool control = widget->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton *>(widget);
        if (!control || widget->isWindow() || partOfAControl(widget) || widget->inherits("QScrollBar"))
            continue;
        if (spoken(widget).trimmed().isEmpty())
            out << QStringLiteral("%1 %2").arg(widget->metaObject()->className(), widget->objectName());
    }
    return out;
}

// Live Channels open on the monitor, once its grid shows `channel` at `level`.
LiveChannelsWindow *openLive(MonitorWindow &rig, int channel, int level)
{
    rig.load();
    rig.port->box().setLevel(channel, level);
    rig.child<QAction>("mnuLiveChannels")->trigger();
    LiveChannelsWindow *live = rig.form->liveChannelsWindow();
    return QTest::qWaitFor([&] { return live->fetch().level(channel) == level; }) ? live : nullptr;
}

} // namespace

class TestAccessibleNames : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAName()
    {
        MonitorWindow rig;
        rig.load();
        rig.child<QAction>("mnuLiveChannels")->trigger();
        const QStringList main = nameless(rig.form.get());
        QVERIFY2(main.isEmpty(), qPrintable(main.join(", ")));
        const QStringList live = nameless(rig.form->liveChannelsWindow());
        QVERIFY2(live.isEmpty(), qPrintable(live.join(", ")));
    }

    // What a reader says a control is: both windows are windows (frames over
    // AT-SPI), the format box is named by its label, the speed button says
    // its speed.
    void controlsSayWhatTheyAre_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("spokenName");
        QTest::addColumn<QString>("value");
        QTest::newRow("main window") << "frmMain" << int(QAccessible::Window) << "" << "";
        QTest::newRow("Live Channels") << "frmLiveChannels" << int(QAccessible::Window) << "" << "";
        QTest::newRow("format") << "cboFormat" << int(QAccessible::ComboBox) << "Show" << "Decimal 0-255";
        QTest::newRow("speed") << "cmdSpeed" << int(QAccessible::Button) << "Playing speed 1×" << "";
    }

    void controlsSayWhatTheyAre()
    {
        QFETCH(QString, name);
        QFETCH(int, role);
        QFETCH(QString, spokenName);
        QFETCH(QString, value);
        MonitorWindow rig;
        LiveChannelsWindow *live = openLive(rig, 1, 0);
        QVERIFY(live);
        QWidget *widget = name == "frmMain" ? rig.form.get() : name == "frmLiveChannels" ? live : live->findChild<QWidget *>(name);
        QVERIFY(widget);
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        QCOMPARE(int(face->role()), role);
        if (!spokenName.isEmpty())
            QCOMPARE(face->text(QAccessible::Name), spokenName);
        QCOMPARE(face->text(QAccessible::Value), value);
    }

    void namesFollowTheChannels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("heard");
        QTest::newRow("read button") << "cmdReadChannel_1" << "sldDMXChannel_1" << 12 << "Read Channel 12";
        QTest::newRow("list button") << "Command1" << "sldDMXLow" << 5 << "List channels 5 to 256";
        QTest::newRow("first channel") << "lblLow" << "sldDMXLow" << 5 << "First channel 5";
        QTest::newRow("last channel") << "lblHigh" << "sldDMXHigh" << 200 << "Last channel 200";
    }

    void namesFollowTheChannels()
    {
        QFETCH(QString, name);
        QFETCH(QString, slider);
        QFETCH(int, channel);
        QFETCH(QString, heard);
        MonitorWindow rig;
        rig.load();
        rig.child<QSlider>(slider)->setValue(channel);
        QCOMPARE(spoken(rig.child<QWidget>(name)), heard);
    }

    void stepButtonsSayDirectionAndReader_data()
    {
        QTest::addColumn<QString>("toolbar");
        QTest::addColumn<QString>("forward");
        QTest::addColumn<QString>("back");
        QTest::newRow("reader 1") << "Toolbar1_0" << "Reader 1 channel forward" << "Reader 1 channel back";
        QTest::newRow("reader 5") << "Toolbar1_4" << "Reader 5 channel forward" << "Reader 5 channel back";
        QTest::newRow("first") << "ToolbarLow" << "First channel forward" << "First channel back";
        QTest::newRow("last") << "ToolbarHigh" << "Last channel forward" << "Last channel back";
    }

    void stepButtonsSayDirectionAndReader()
    {
        QFETCH(QString, toolbar);
        QFETCH(QString, forward);
        QFETCH(QString, back);
        MonitorWindow rig;
        auto *bar = rig.child<QToolBar>(toolbar);
        QCOMPARE(spoken(bar->findChild<QWidget *>("Forward")), forward);
        QCOMPARE(spoken(bar->findChild<QWidget *>("Back")), back);
        QVERIFY(spoken(bar->findChild<QWidget *>("qt_toolbar_ext_button")).startsWith("More steps"));
    }

    void thePlotSumsUpThePins()
    {
        MonitorWindow rig;
        LiveChannelsWindow *live = openLive(rig, 12, 137);
        QVERIFY(live);
        QWidget *plot = live->findChild<QWidget *>("pltHistory");
        QCOMPARE(spoken(plot, QAccessible::Description), QStringLiteral("No channel pinned"));
        live->fetch().togglePin(12);
        QTRY_COMPARE(spoken(plot, QAccessible::Description), QStringLiteral("Channel 12: 137, steady"));
    }

    // The grid is a table of 32 rows of 16 whose cells speak channel and
    // level, in the format shown, and a pin is the cell's selection.
    void theGridIsATableOfSpeakingCells_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<QString>("heard");
        QTest::newRow("decimal") << 0 << false << "Channel 12: 137";
        QTest::newRow("hex") << 2 << false << "Channel 12: 89";
        QTest::newRow("pinned") << 0 << true << "Channel 12: 137, pinned";
    }

    void theGridIsATableOfSpeakingCells()
    {
        QFETCH(int, format);
        QFETCH(bool, pinned);
        QFETCH(QString, heard);
        MonitorWindow rig;
        LiveChannelsWindow *live = openLive(rig, 12, 137);
        QVERIFY(live);
        live->findChild<QComboBox *>("cboFormat")->setCurrentIndex(format);
        if (pinned)
            live->fetch().togglePin(12);

        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(live->findChild<LevelGrid *>("grdLevels"));
        QCOMPARE(grid->role(), QAccessible::Table);
        QAccessibleTableInterface *table = grid->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 32);
        QCOMPARE(table->columnCount(), 16);
        QCOMPARE(grid->childCount(), 512);
        QAccessibleInterface *cell = table->cellAt(0, 11);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QTRY_COMPARE(cell->text(QAccessible::Name), heard);
        QCOMPARE(grid->child(11), cell);
        QCOMPARE(grid->indexOfChild(cell), 11);
        QCOMPARE(cell->parent(), grid);
        QCOMPARE(grid->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
        QCOMPARE(table->selectedCellCount(), pinned ? 1 : 0);
        QCOMPARE(cell->tableCellInterface()->isSelected(), pinned);
        QCOMPARE(table->cellAt(31, 15)->text(QAccessible::Name).section(u':', 0, 0), QStringLiteral("Channel 512"));
        QCOMPARE(table->cellAt(32, 0), nullptr);
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "test_accessible_names.moc"
