// What a screen reader hears: every control of both windows has a name, and
// the names that carry a channel or a level follow it. What it, or voice
// control, presses does what a click does.
#include "harness.h"
#include "level_grid.h"
#include "live_channels_window.h"
#include "ola_send_control.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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

// A control by the object names from its window down, "Toolbar1_0/Forward":
// the same control in another rig.
QString pathOf(QWidget *widget)
{
    QStringList names;
    for (QWidget *at = widget; at && !at->isWindow(); at = at->parentWidget()) {
        if (!at->objectName().isEmpty())
            names.prepend(at->objectName());
    }
    return names.join(u'/');
}

// The monitor, with the Live Channels window open when `live`, for a
// control's action or its click. Two run side by side, so that a button's
// moment down under its action costs one wait, not two.
struct ActionRig : MonitorWindow {
    explicit ActionRig(bool live)
    {
        // No wait for the windows on screen: the clicks go to the controls.
        form->load();
        form->show();
        window = form.get();
        if (live) {
            child<QAction>("mnuLiveChannels")->trigger();
            window = form->liveChannelsWindow();
            // Port 0: no olad can answer there, and nothing leaves the machine.
            window->findChild<OlaSendControl *>()->setServerPort(0);
        }
    }

    // The probe answered, and a first live picture come; the wire's log
    // starts here.
    bool ready()
    {
        LiveChannelsWindow *live = form->liveChannelsWindow();
        const bool done = QTest::qWaitFor([&] { return live ? live->fetch().goodPictures() > 0 : session->idle(); });
        port->clearLog();
        return done;
    }

    QWidget *control(const QString &path) const
    {
        const QList<QWidget *> all = window->findChildren<QWidget *>();
        const auto found = std::find_if(all.begin(), all.end(), [&](QWidget *each) { return pathOf(each) == path; });
        return found == all.end() ? nullptr : *found;
    }

    bool work(const QString &path, const QString &action, bool byAction)
    {
        QWidget *widget = control(path);
        if (!widget)
            return false;
        if (byAction)
            QAccessible::queryAccessibleInterface(widget)->actionInterface()->doAction(action);
        else
            QTest::mouseClick(widget, Qt::LeftButton);
        pressed = qobject_cast<QAbstractButton *>(widget);
        return true;
    }

    // A button's press shows it down for a moment, then clicks; then the
    // session does what was asked, a monitoring pass included. Live
    // Channels keep the session busy: what their controls do is done by
    // the time the click is.
    bool settled()
    {
        if (pressed && !QTest::qWaitFor([this] { return !pressed->isDown(); }))
            return false;
        QSignalSpy passes(session.get(), &BoxSession::passEnded);
        if (session->monitoring() && !passes.wait(5000))
            return false;
        return form->liveChannelsWindow() || QTest::qWaitFor([this] { return session->idle(); }, 10000);
    }

    // What the operator, the box and the desktop are left with: each
    // control's state, the windows and dialogs open, the clipboard, what
    // went to the wire (each line once: passes run on their own time), the
    // beeps and boxes.
    QStringList leftBehind() const
    {
        QStringList out;
        LiveChannelsWindow *live = form->liveChannelsWindow();
        for (QWidget *each : {static_cast<QWidget *>(form.get()), static_cast<QWidget *>(live)}) {
            for (QWidget *widget : each ? each->findChildren<QWidget *>() : QList<QWidget *>()) {
                QString state;
                if (auto *button = qobject_cast<QAbstractButton *>(widget))
                    state = button->text() + (button->isChecked() ? " checked" : "");
                else if (auto *edit = qobject_cast<QLineEdit *>(widget))
                    state = edit->text();
                else if (auto *slider = qobject_cast<QAbstractSlider *>(widget))
                    state = QString::number(slider->value());
                else if (auto *combo = qobject_cast<QComboBox *>(widget))
                    state = combo->currentText();
                else if (auto *list = qobject_cast<QListWidget *>(widget))
                    state = QString::number(list->count());
                else if (auto *label = qobject_cast<QLabel *>(widget); label && label->objectName() != "lblLiveStatus")
                    state = label->text() + ' ' + label->palette().color(QPalette::WindowText).name();
                if (widget->window() == each) // not a dialog's own controls
                    out << pathOf(widget) + ": " + state;
            }
        }
        for (QWidget *top : QApplication::topLevelWidgets()) {
            QWidget *owner = top;
            while (owner->parentWidget())
                owner = owner->parentWidget();
            if (top->isVisible() && (owner == form.get() || owner == live))
                out << QStringLiteral("open: %1 %2").arg(top->metaObject()->className(), top->objectName());
        }
        out << "clipboard: " + QGuiApplication::clipboard()->text();
        out << QStringLiteral("monitoring %1, beeps %2, ends %3, boxes %4")
                   .arg(session->monitoring())
                   .arg(desktop.beeps)
                   .arg(desktop.ends)
                   .arg(desktop.boxTexts.join(u'|'));
        const QStringList wire = port->log();
        if (live)
            out << QStringLiteral("fetching: %1").arg(live->fetch().running());
        else // with Live Channels open the wire carries their blocks
            out << QSet<QString>(wire.begin(), wire.end()).values();
        out.sort();
        return out;
    }

    QWidget *window = nullptr;
    QPointer<QAbstractButton> pressed;
};

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

    // Every control of both windows that a screen reader or voice control
    // can press, toggle or open, by its action and by the mouse; the
    // monitoring box also from on, and Port1 is the port already chosen.
    void anActionDoesWhatAClickDoes_data()
    {
        QTest::addColumn<bool>("live");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("action");
        for (const bool live : {false, true}) {
            ActionRig rig(live);
            QVERIFY(rig.ready());
            for (QWidget *widget : rig.window->findChildren<QWidget *>()) {
                QAccessibleActionInterface *actions = QAccessible::queryAccessibleInterface(widget)->actionInterface();
                for (const QString &action : actions && widget->isVisible() ? actions->actionNames() : QStringList()) {
                    if (action != QAccessibleActionInterface::setFocusAction())
                        QTest::addRow("%s %s", qPrintable(pathOf(widget)), qPrintable(action))
                            << live << QString() << pathOf(widget) << action;
                }
            }
        }
        const QString monitor = QStringLiteral("client/Frame2/ChkContinuousMonitor");
        QTest::newRow("monitoring, then its box's Toggle") << false << monitor << monitor << "Toggle";
    }

    void anActionDoesWhatAClickDoes()
    {
        QFETCH(bool, live);
        QFETCH(QString, before);
        QFETCH(QString, control);
        QFETCH(QString, action);
        QGuiApplication::clipboard()->clear();
        ActionRig byAction(live);
        ActionRig byClick(live);
        QVERIFY(byAction.ready() && byClick.ready());
        if (!before.isEmpty()) {
            QVERIFY(byAction.work(before, QString(), false) && byClick.work(before, QString(), false));
            QVERIFY(byAction.settled() && byClick.settled());
        }
        QVERIFY(byAction.work(control, action, true) && byClick.work(control, action, false));
        QVERIFY(byAction.settled() && byClick.settled());

        const QStringList left[] = {byAction.leftBehind(), byClick.leftBehind()};
        QStringList only[2];
        for (int i = 0; i < 2; ++i)
            std::copy_if(left[i].begin(), left[i].end(), std::back_inserter(only[i]),
                         [&](const QString &line) { return !left[1 - i].contains(line); });
        QVERIFY2(only[0].isEmpty() && only[1].isEmpty(),
                 qPrintable(QStringLiteral("by its action only: %1\nby a click only: %2")
                                .arg(only[0].join(QStringLiteral("; ")), only[1].join(QStringLiteral("; ")))));
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "test_accessible_names.moc"
