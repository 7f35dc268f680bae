// The main window as the operator first meets it: where every control stands,
// how it is set up, the state after start-up, and the ways out.
#include "help_window.h"
#include "main_window.h"
#include "harness.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <memory>

namespace {

QRect fromTwips(int left, int top, int width, int height)
{
    auto px = [](int twips) { return int(std::lround(twips / 15.0)); };
    return QRect(px(left), px(top), px(width), px(height));
}

using Window = MonitorWindow;

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void controlStandsWhereTheLayoutPutsIt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("rect");

        auto row = [](const char *name, const char *kind, const char *parent, const char *caption, QRect rect) {
            QTest::newRow(name) << QString(name) << QString(kind) << QString(parent) << QString(caption) << rect;
        };
        row("Frame1_0", "QGroupBox", "client", "Status", fromTwips(240, 120, 4215, 1215));
        row("Frame1_1", "QGroupBox", "client", "Serial Port", fromTwips(5400, 120, 2535, 1215));
        row("Frame2", "QGroupBox", "client", "Read DMX Channels", fromTwips(240, 1560, 8535, 3495));
        row("Frame3", "QGroupBox", "client", "List DMX Channel Values", fromTwips(240, 5280, 8535, 1575));
        row("lstLevel", "QListWidget", "client", "", fromTwips(9000, 240, 2535, 6105));
        row("cmdExit", "QPushButton", "client", "Exit", fromTwips(9960, 6480, 975, 375));
        row("txtMessageBox", "QLineEdit", "Frame1_0", "", fromTwips(240, 480, 3735, 285));
        row("OptSerial_0", "QRadioButton", "Frame1_1", "Port1", fromTwips(240, 240, 735, 255));
        row("OptSerial_1", "QRadioButton", "Frame1_1", "Port2", fromTwips(240, 720, 855, 255));
        row("OptSerial_2", "QRadioButton", "Frame1_1", "Port3", fromTwips(1440, 240, 855, 255));
        row("OptSerial_3", "QRadioButton", "Frame1_1", "Port4", fromTwips(1440, 720, 975, 255));
        for (int i = 0; i < 5; ++i) {
            const int shift = 1560 * i;
            const QByteArray n = QByteArray::number(i);
            row("txtChannel0Level_" + n, "QLineEdit", "Frame2", "", fromTwips(480 + shift, 360, 615, 285));
            row("sldDMXChannel_" + n, "QSlider", "Frame2", "", fromTwips(480 + shift, 720, 615, 2175));
            row("Toolbar1_" + n, "StepToolbar", "Frame2", "", fromTwips(195 + shift, 1440, 255, 720));
            row("cmdReadChannel_" + n, "QPushButton", "Frame2", "Read Channel 0",
                fromTwips(120 + shift, i == 0 ? 2950 : 2955, 1500, 375));
        }
        row("ChkContinuousMonitor", "QCheckBox", "Frame2", "", fromTwips(7750, 1800, 255, 375));
        row("lblMonitoring", "QLabel", "Frame2", "Continuous Monitoring", fromTwips(7320, 1320, 1095, 495));
        row("sldDMXLow", "QSlider", "Frame3", "", fromTwips(480, 360, 2175, 615));
        row("Label2_0", "QLabel", "Frame3", "From Channel", fromTwips(120, 960, 1215, 255));
        row("ToolbarLow", "StepToolbar", "Frame3", "", fromTwips(1320, 960, 735, 390));
        row("lblLow", "QLabel", "Frame3", "1", fromTwips(480, 1200, 615, 255));
        row("Command1", "QPushButton", "Frame3", "List Ch 0-38", fromTwips(3360, 720, 1575, 375));
        row("sldDMXHigh", "QSlider", "Frame3", "", fromTwips(6000, 360, 2175, 615));
        row("Label2_1", "QLabel", "Frame3", "To Channel", fromTwips(5520, 960, 975, 255));
        row("ToolbarHigh", "StepToolbar", "Frame3", "", fromTwips(6720, 960, 735, 390));
        row("lblHigh", "QLabel", "Frame3", "256", fromTwips(5880, 1200, 615, 255));
    }

    void controlStandsWhereTheLayoutPutsIt()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, parentName);
        QFETCH(QString, caption);
        QFETCH(QRect, rect);

        Window window; // before load(): the design state
        QWidget *widget = window.child<QWidget>(name);
        QVERIFY2(widget, qPrintable(name));
        QVERIFY2(widget->inherits(kind.toLatin1()), widget->metaObject()->className());
        QCOMPARE(widget->parentWidget()->objectName(), parentName);
        QCOMPARE(widget->geometry(), rect);
        QVERIFY(!widget->accessibleName().isEmpty());
        if (auto *frame = qobject_cast<QGroupBox *>(widget))
            QCOMPARE(frame->title(), caption);
        else if (!caption.isEmpty() || qobject_cast<QLineEdit *>(widget))
            QCOMPARE(window.text(name), caption);
    }

    void windowIsFixedWithItsClientArea()
    {
        Window window;
        QCOMPARE(window.form->windowTitle(), QStringLiteral("Lumivane MINI Monitor"));
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        QCOMPARE(window.form->centralWidget()->size(), QSize(789, 470));
        QCOMPARE(window.form->minimumSize(), window.form->maximumSize());
        QCOMPARE(window.form->height(), 470 + window.form->menuBar()->height());
    }

    void menusAreFileExitHelpAndView()
    {
        Window window;
        const QList<QAction *> top = window.form->menuBar()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top[0]->text(), QStringLiteral("File"));
        QVERIFY(top[0]->menu());
        QCOMPARE(top[0]->menu()->actions().size(), 1);
        QCOMPARE(top[0]->menu()->actions()[0]->objectName(), QStringLiteral("mnuExit"));
        QCOMPARE(top[0]->menu()->actions()[0]->text(), QStringLiteral("Exit"));
        QCOMPARE(top[1]->text(), QStringLiteral("Help"));
        QCOMPARE(top[1]->objectName(), QStringLiteral("mnuHelp"));
        QVERIFY(!top[1]->menu());
        QCOMPARE(top[2]->text(), QStringLiteral("View"));
        QVERIFY(top[2]->menu());
        QCOMPARE(top[2]->menu()->objectName(), QStringLiteral("mnuView"));
        QCOMPARE(top[2]->menu()->actions().size(), 1);
        QCOMPARE(top[2]->menu()->actions()[0]->objectName(), QStringLiteral("mnuLiveChannels"));
        QCOMPARE(top[2]->menu()->actions()[0]->text(), QStringLiteral("Live Channels…"));
        QCOMPARE(top[2]->menu()->actions()[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    }

    void slidersShareTheirDesignSettings()
    {
        Window window;
        const QList<QSlider *> sliders = window.form->findChildren<QSlider *>();
        QCOMPARE(sliders.size(), 7);
        for (QSlider *slider : sliders) {
            const bool vertical = slider->objectName().startsWith("sldDMXChannel");
            QCOMPARE(slider->orientation(), vertical ? Qt::Vertical : Qt::Horizontal);
            QCOMPARE(slider->minimum(), 1);
            QCOMPARE(slider->maximum(), 256);
            QCOMPARE(slider->singleStep(), 1);
            QCOMPARE(slider->pageStep(), 10);
            QCOMPARE(slider->tickInterval(), 25);
            QCOMPARE(slider->tickPosition(), vertical ? QSlider::TicksRight : QSlider::TicksBelow);
            QCOMPARE(slider->value(), 1);
        }
    }

    void stepToolbarsCarryForwardThenBack()
    {
        Window window;
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        const QList<QToolBar *> toolbars = window.form->findChildren<QToolBar *>();
        QCOMPARE(toolbars.size(), 7);
        for (QToolBar *toolbar : toolbars) {
            const QList<QAction *> actions = toolbar->actions();
            QCOMPARE(actions.size(), 2);
            QCOMPARE(actions[0]->objectName(), QStringLiteral("Forward"));
            QCOMPARE(actions[0]->toolTip(), QStringLiteral("Forward"));
            QCOMPARE(actions[1]->objectName(), QStringLiteral("Back"));
            QCOMPARE(actions[1]->toolTip(), QStringLiteral("Back"));
            for (QAction *action : actions) {
                QVERIFY(action->text().isEmpty());
                const QImage image = action->icon().pixmap(16, 16).toImage();
                QCOMPARE(image.size(), QSize(16, 16));
                // A solid black triangle: black in the middle, clear in a corner.
                QCOMPARE(image.pixelColor(8, 8), QColor(Qt::black));
                QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
            }
            // Forward stands first: on top in a vertical toolbar, left in a horizontal one.
            QWidget *forward = toolbar->widgetForAction(actions[0]);
            QWidget *back = toolbar->widgetForAction(actions[1]);
            if (toolbar->orientation() == Qt::Vertical)
                QVERIFY(forward->y() < back->y());
            else
                QVERIFY(forward->x() < back->x());
            QVERIFY(toolbar->rect().contains(forward->geometry()));
            QVERIFY(toolbar->rect().contains(back->geometry()));
            QVERIFY(forward->isVisible() && back->isVisible());
        }
    }

    void labelsCarryTheirFontsAndColours()
    {
        Window window;
        auto *monitoring = window.child<QLabel>("lblMonitoring");
        QCOMPARE(monitoring->font().pointSizeF(), 9.75);
        QCOMPARE(monitoring->font().weight(), QFont::Normal);
        QCOMPARE(monitoring->palette().color(QPalette::WindowText),
                 window.form->palette().color(QPalette::ToolTipText));
        // Red, as dark as the window's background needs (on a dark desktop as light).
        for (const char *end : {"lblLow", "lblHigh"}) {
            const QColor red = window.child<QLabel>(end)->palette().color(QPalette::WindowText);
            QVERIFY2(red.hsvHue() == 0 && red.hsvSaturation() == 255 && red.value() >= 192, qPrintable(red.name()));
        }
        QCOMPARE(window.child<QPushButton>("cmdExit")->font().pointSizeF(), 8.25);
        for (QPushButton *button : window.form->findChildren<QPushButton *>()) {
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
            QVERIFY(!button->text().contains('&'));
        }
    }

    void tabOrderFollowsTheLayout()
    {
        Window window;
        const QStringList expected = {
            "cmdExit", "cmdReadChannel_0", "txtChannel0Level_0", "lstLevel", "txtMessageBox",
            "OptSerial_0", "OptSerial_1", "OptSerial_2", "OptSerial_3",
            "sldDMXChannel_0", "sldDMXChannel_1", "txtChannel0Level_1", "cmdReadChannel_1",
            "sldDMXChannel_2", "txtChannel0Level_2", "cmdReadChannel_2",
            "sldDMXChannel_3", "txtChannel0Level_3", "cmdReadChannel_3",
            "sldDMXChannel_4", "txtChannel0Level_4", "cmdReadChannel_4",
            "Command1", "sldDMXLow", "sldDMXHigh", "ChkContinuousMonitor"};
        QStringList chain;
        QWidget *widget = window.child<QWidget>("cmdExit");
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != window.child<QWidget>("cmdExit"));
        QCOMPARE(chain, expected);
    }

    void startUpState_data()
    {
        QTest::addColumn<bool>("silentBox");
        QTest::addColumn<bool>("openFails");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("beeps");
        QTest::newRow("box answers") << false << false << "DMX Transceiver connected OK" << 0;
        QTest::newRow("no box") << true << false << " No DMX Transceiver is connected" << 1;
        QTest::newRow("port cannot be opened") << false << true << "Error Opening COM Port" << 1;
    }

    void startUpState()
    {
        QFETCH(bool, silentBox);
        QFETCH(bool, openFails);
        QFETCH(QString, status);
        QFETCH(int, beeps);

        Window window(silentBox, openFails);
        window.load();

        QCOMPARE(window.text("txtMessageBox"), status);
        QCOMPARE(window.desktop.beeps, beeps);
        QVERIFY(window.child<QRadioButton>("OptSerial_0")->isChecked());
        for (int i = 0; i < 5; ++i) {
            const QString n = QString::number(i);
            QCOMPARE(window.child<QSlider>("sldDMXChannel_" + n)->value(), 1);
            QCOMPARE(window.text("cmdReadChannel_" + n), QStringLiteral("Read Channel 1"));
            QCOMPARE(window.text("txtChannel0Level_" + n), QString());
        }
        QCOMPARE(window.child<QSlider>("sldDMXLow")->value(), 1);
        QCOMPARE(window.text("lblLow"), QStringLiteral("1"));
        QCOMPARE(window.child<QSlider>("sldDMXHigh")->value(), 256);
        QCOMPARE(window.text("lblHigh"), QStringLiteral("256"));
        QCOMPARE(window.text("Command1"), QStringLiteral("List Ch 1-256"));
        QCOMPARE(window.child<QListWidget>("lstLevel")->count(), 0);
        QVERIFY(!window.child<QCheckBox>("ChkContinuousMonitor")->isChecked());
        QVERIFY(!window.session->monitoring());
        QCOMPARE(window.form->focusWidget(), window.child<QWidget>("cmdExit"));
    }

    void exitClosesThePortAndEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Exit button") << "button";
        QTest::newRow("File > Exit") << "menu";
        QTest::newRow("window frame") << "frame";
    }

    void exitClosesThePortAndEnds()
    {
        QFETCH(QString, how);
        Window window;
        window.load();
        QVERIFY(window.port->isOpen());
        window.port->clearLog();
        if (how == "button")
            window.child<QPushButton>("cmdExit")->click();
        else if (how == "menu")
            window.child<QAction>("mnuExit")->trigger();
        else
            window.form->close();
        QCOMPARE(window.desktop.ends, 1);
        QCOMPARE(window.port->log(), QStringList{"close"});
        QVERIFY(!window.form->isVisible());
    }

    void exitOnAPortThatNeverOpenedClosesNothing()
    {
        Window window(false, true);
        window.load();
        window.port->clearLog();
        window.child<QPushButton>("cmdExit")->click();
        QCOMPARE(window.desktop.ends, 1);
        QVERIFY(window.port->log().isEmpty());
    }

    void fileExitDestroysTheHelpWindowFirst()
    {
        Window window;
        window.load();
        window.child<QAction>("mnuHelp")->trigger();
        QPointer<HelpWindow> help = window.form->helpWindow();
        QVERIFY(help && help->isVisible());
        window.child<QAction>("mnuExit")->trigger();
        QVERIFY(help.isNull());
        QCOMPARE(window.desktop.ends, 1);
    }

    void helpTwiceGivesOneWindowAndTheMainWindowStaysUsable()
    {
        Window window;
        window.load();
        window.form->show();
        window.child<QAction>("mnuHelp")->trigger();
        QPointer<HelpWindow> first = window.form->helpWindow();
        // Tools that drive the windows find them by these names.
        QCOMPARE(window.form->objectName(), QStringLiteral("frmMain"));
        QCOMPARE(first->objectName(), QStringLiteral("fHelp"));
        window.child<QAction>("mnuHelp")->trigger();
        QCOMPARE(window.form->helpWindow(), first.data());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return qobject_cast<HelpWindow *>(w); }), 1);
        QVERIFY(!first->isModal());
        QVERIFY(!first->parentWidget());
        // The main window still takes the operator's clicks.
        auto *forward = window.child<QToolBar>("Toolbar1_0")->findChild<QToolButton *>("Forward");
        QTest::mouseClick(forward, Qt::LeftButton);
        QCOMPARE(window.text("cmdReadChannel_0"), QStringLiteral("Read Channel 2"));
        // Closed, then asked for again: a fresh window.
        first->close();
        QTRY_VERIFY(first.isNull());
        window.child<QAction>("mnuHelp")->trigger();
        QVERIFY(window.form->helpWindow());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
