// The main window as a desktop citizen: the listing copied as text, the
// usual shortcuts, status texts that fit their box, marks that stay visible
// on a dark desktop, and port buttons that say which device they open.
#include "harness.h"
#include "readable_colour.h"
#include "status.h"

#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QToolBar>

class TestDesktopConventions : public QObject {
    Q_OBJECT
private slots:
    void copyingTheListing_data()
    {
        QTest::addColumn<QList<int>>("selected"); // rows of the five-line listing
        QTest::addColumn<bool>("byKey");          // Ctrl+C, or the context menu's Copy
        QTest::addColumn<QString>("copied");
        const QString all = "Ch#10 0\nCh#11 37\nCh#12 99\nCh#13 254\nCh#14 255\n";
        QTest::newRow("three lines, Ctrl+C") << QList<int>{1, 2, 3} << true << "Ch#11 37\nCh#12 99\nCh#13 254\n";
        QTest::newRow("three lines, context menu") << QList<int>{1, 2, 3} << false
                                                   << "Ch#11 37\nCh#12 99\nCh#13 254\n";
        QTest::newRow("none selected: all") << QList<int>{} << true << all;
    }

    void copyingTheListing()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, byKey);
        QFETCH(QString, copied);
        MonitorWindow window;
        window.load();
        const int levels[] = {0, 37, 99, 254, 255};
        for (int i = 0; i < 5; ++i)
            window.port->box().setLevel(10 + i, quint8(levels[i]));
        window.child<QSlider>("sldDMXLow")->setValue(10);
        window.child<QSlider>("sldDMXHigh")->setValue(14);
        window.clickAndSettle("Command1");
        auto *list = window.child<QListWidget>("lstLevel");
        for (int row : selected)
            list->item(row)->setSelected(true);
        QGuiApplication::clipboard()->clear();

        if (byKey) {
            list->setFocus();
            QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        } else {
            QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
            list->actions().value(0)->trigger();
        }

        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    void shortcuts()
    {
        MonitorWindow window;
        window.load();
        QApplication::setActiveWindow(window.form.get());
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form.get(), Qt::Key_F1);
        QVERIFY(window.form->helpWindow() && window.form->helpWindow()->isVisible());
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(window.desktop.ends, 1);
    }

    void everyStatusTextFitsItsBox()
    {
        MonitorWindow window;
        auto *box = window.child<QLineEdit>("txtMessageBox");
        QStyleOptionFrame frame;
        frame.initFrom(box);
        frame.rect = box->rect();
        frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
        const int room = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box).width()
            - 2 * 2; // the line edit's own margin either side
        for (int status = int(Status::ConnectedOk); status <= int(Status::MiscError); ++status) {
            const QString text = statusText(Status(status));
            QVERIFY2(box->fontMetrics().horizontalAdvance(text) <= room,
                     qPrintable(QStringLiteral("\"%1\" needs %2 px of %3 in %4")
                                    .arg(text)
                                    .arg(box->fontMetrics().horizontalAdvance(text))
                                    .arg(room)
                                    .arg(box->font().family())));
        }
    }

    void marksOnALightAndADarkDesktop_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("ink");
        QTest::newRow("light") << QColor(240, 240, 240) << QColor(20, 20, 20) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(40, 40, 40) << QColor(230, 230, 230) << QColor(230, 230, 230);
    }

    void marksOnALightAndADarkDesktop()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        QFETCH(QColor, ink);
        MonitorWindow monitor;
        QPalette palette = monitor.form->palette();
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        monitor.form->setPalette(palette);
        monitor.load();

        auto *check = monitor.child<QCheckBox>("ChkContinuousMonitor");
        check->click();
        check->click();
        QCOMPARE(monitor.child<QLabel>("lblMonitoring")->palette().color(QPalette::WindowText), ink);
        const QAction *forward = monitor.child<QToolBar>("Toolbar1_0")->actions().first();
        QCOMPARE(forward->icon().pixmap(16, 16).toImage().pixelColor(8, 8), ink);
    }

    // Every coloured text of the window, and the sliders' ticks, against
    // the window's own background: a light desktop, and GTK's Adwaita dark,
    // whose tool-tip text is near-black.
    void textsStandOutOnALightAndADarkDesktop_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("toolTipText");
        QTest::newRow("light") << QColor(239, 239, 239) << QColor(0, 0, 0) << QColor(0, 0, 0);
        QTest::newRow("Adwaita dark") << QColor(53, 53, 53) << QColor(238, 238, 236) << QColor(26, 26, 26);
        QTest::newRow("white") << QColor(255, 255, 255) << QColor(0, 0, 0) << QColor(0, 0, 0);
        QTest::newRow("black") << QColor(0, 0, 0) << QColor(255, 255, 255) << QColor(255, 255, 255);
    }

    void textsStandOutOnALightAndADarkDesktop()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        QFETCH(QColor, toolTipText);
        MonitorWindow monitor;
        QPalette palette = monitor.form->palette();
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::ToolTipText, toolTipText);
        monitor.form->setPalette(palette);
        monitor.load();
        const auto colourOf = [&](const char *label) {
            return monitor.child<QLabel>(label)->palette().color(QPalette::WindowText);
        };
        const auto isRed = [](const QColor &colour) { return colour.hsvHue() == 0 && colour.hsvSaturation() >= 128; };

        QStringList faint;
        const auto judge = [&](const QString &what, const QColor &colour, double least) {
            const double ratio = contrastRatio(colour, window);
            if (ratio < least)
                faint << QStringLiteral("%1 %2 at %3:1").arg(what, colour.name()).arg(ratio, 0, 'f', 1);
        };
        judge("the caption at start", colourOf("lblMonitoring"), 4.5);
        auto *check = monitor.child<QCheckBox>("ChkContinuousMonitor");
        check->click();
        judge("the caption while monitoring", colourOf("lblMonitoring"), 4.5);
        QVERIFY2(isRed(colourOf("lblMonitoring")), qPrintable(colourOf("lblMonitoring").name()));
        check->click();
        judge("the caption once stopped", colourOf("lblMonitoring"), 4.5);
        for (const char *end : {"lblLow", "lblHigh"}) {
            judge(end, colourOf(end), 4.5);
            QVERIFY2(isRed(colourOf(end)), qPrintable(colourOf(end).name()));
        }
        // The ticks: the strongest mark in the strip under the groove.
        auto *slider = monitor.child<QSlider>("sldDMXLow");
        const QImage image = slider->grab().toImage();
        QColor tick = window;
        for (int y = image.height() * 3 / 4; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (contrastRatio(image.pixelColor(x, y), window) > contrastRatio(tick, window))
                    tick = image.pixelColor(x, y);
            }
        }
        judge("the slider's ticks", tick, 3.0);
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral("; "))));
    }

    void aPortButtonSaysWhichDeviceItOpens()
    {
        qputenv("LUMIVANE_PORT3", "/tmp/lumivane-box");
        MonitorWindow window;
        const QString tip = window.child<QRadioButton>("OptSerial_2")->toolTip();
        qunsetenv("LUMIVANE_PORT3");
        QVERIFY2(tip.startsWith("/tmp/lumivane-box"), qPrintable(tip));
        QVERIFY2(tip.contains("LUMIVANE_PORT3"), qPrintable(tip));
    }
};

QTEST_MAIN(TestDesktopConventions)
#include "test_desktop_conventions.moc"
