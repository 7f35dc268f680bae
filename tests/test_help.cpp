#include "help_window.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

QLabel *label1(QWidget *window)
{
    return window->findChild<QLabel *>(QStringLiteral("Label1"));
}

QPushButton *exitButton(QWidget *window)
{
    return window->findChild<QPushButton *>(QStringLiteral("cmdExit"));
}

// The widget placed directly on the form that carries `w` (itself, or the
// scroll area around it): that is what occupies the control's rectangle.
QWidget *placedOnForm(QWidget *w, QWidget *form)
{
    while (w && w->parentWidget() != form)
        w = w->parentWidget();
    return w;
}

// The text a freshly opened help window shows.
QString shownText()
{
    HelpWindow help;
    return label1(&help)->text();
}

// The paragraphs, and the contact lines as the last block.
QStringList blocksOf(const QString &text)
{
    return text.split(QStringLiteral("\n\n"));
}

const QString kIntroStart = QStringLiteral(
    "Lumivane Mini Monitor is a simple software tool for monitoring DMX channel values.");

QScrollArea *scrollAreaOf(QWidget *w)
{
    for (QWidget *p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(p))
            return area;
    }
    return nullptr;
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void paragraphsSayWhatTheyMust_data();
    void paragraphsSayWhatTheyMust();
    void contactLines_data();
    void contactLines();
    void textLayout();

    void windowFrame();
    void controlPlacement_data();
    void controlPlacement();
    void onlyExitTakesFocus();
    void focusStartsOnExit();

    void closesAndReopensWithTextOnce_data();
    void closesAndReopensWithTextOnce();
    void exitClosesOnlyItsOwnWindow();

    void wholeTextCanBeRead_data();
    void wholeTextCanBeRead();
    void keysScrollTheText_data();
    void keysScrollTheText();
};

void TestHelp::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        delete w;
}

void TestHelp::paragraphsSayWhatTheyMust_data()
{
    QTest::addColumn<int>("paragraph");
    QTest::addColumn<QStringList>("sentences");
    QTest::newRow("introduction")
        << 0
        << QStringList{kIntroStart, "DMX512 Transceiver (or Receiver) hardware", "5-pin XLR connector",
                       "9 to 12 V DC supply with the centre pin positive", "DB9 serial cable",
                       "Here are technical specs."};
    QTest::newRow("wiring and serial settings")
        << 1
        << QStringList{"USITT DMX512", "5-pin XLR-style female connector",
                       "pin 1 common, pin 2 tx\u2212, pin 3 tx+, pin 4 rx\u2212 and pin 5 rx+",
                       "wired as DCE", "RS-232 port (DTE)", "one-to-one cable, not a cross-over cable",
                       "Seven wires", "table 1 of the hardware manual", "all nine connections",
                       "115,200 baud, 8 data bits, 1 stop bit and no parity",
                       "RTS/CTS and DTR/DSR handshaking switched on and DCD and XON/XOFF switched off"};
    QTest::newRow("uses") << 2 << QStringList{"testing equipment that sends DMX", "live DMX stream",
                                              "custom programs"};
    QTest::newRow("first steps")
        << 3
        << QStringList{"First set the serial port to the port the transceiver cable is connected to.",
                       "the Status box shows \"DMX Transceiver connected OK\"", "up to 5 chosen channels",
                       "list a whole range of channels"};
    QTest::newRow("reading single channels")
        << 4
        << QStringList{"its number shows on the button below the slider",
                       "Clicking on the slider moves it by 10",
                       "Page Up and Page Down move the slider by 10 and the arrow keys move it by 1",
                       "Clicking the \"Read Channel X\" button puts the value of channel X in the box at the top",
                       "ten times a second", "Status box"};
    QTest::newRow("listing a range")
        << 5
        << QStringList{"lower start channel on the left slider", "upper end channel on the right slider",
                       "Clicking the \"List Ch X-Y\" button", "large list box on the right"};
}

// Every paragraph says, in these words, what the operator needs from it.
void TestHelp::paragraphsSayWhatTheyMust()
{
    QFETCH(int, paragraph);
    QFETCH(QStringList, sentences);
    const QString text = blocksOf(shownText()).value(paragraph);
    for (const QString &sentence : std::as_const(sentences))
        QVERIFY2(text.contains(sentence), qPrintable(QStringLiteral("missing \"%1\" in: %2").arg(sentence, text)));
    if (paragraph == 0) {
        QVERIFY(text.startsWith(kIntroStart));
        QVERIFY(text.endsWith(QStringLiteral("Here are technical specs.")));
    }
}

void TestHelp::contactLines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("support role") << 0 << QStringLiteral("^Lumivane .*Support$");
    QTest::newRow("company") << 1 << QStringLiteral("^Lumivane .*(Ltd|Limited)$");
    QTest::newRow("web") << 2 << QStringLiteral("^https://www\\.lumivane\\.example/\\S*$");
    QTest::newRow("e-mail") << 3 << QStringLiteral("^[a-z.]+@lumivane\\.example$");
    // Only numbers reserved for fiction: UK 01632 96xxxx or North American 555-01xx.
    QTest::newRow("telephone") << 4 << QStringLiteral("(\\(0\\)1632 96\\d{4}$|555-01\\d\\d$)");
}

void TestHelp::contactLines()
{
    QFETCH(int, line);
    QFETCH(QString, pattern);
    const QStringList lines = blocksOf(shownText()).last().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);
    QVERIFY2(QRegularExpression(pattern).match(lines.at(line)).hasMatch(), qPrintable(lines.at(line)));
}

// Seven paragraphs, each behind one empty line, then the contact block
// behind one more, its five lines one under the other; line feeds only.
void TestHelp::textLayout()
{
    const QString text = shownText();
    QVERIFY(text.startsWith(kIntroStart));
    QVERIFY(!text.contains(QLatin1Char('\r')));
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
    QVERIFY(!text.contains(QStringLiteral("\n\n\n")));

    const QStringList blocks = blocksOf(text);
    QCOMPARE(blocks.size(), 8);
    for (int i = 0; i < 7; ++i) {
        QVERIFY2(!blocks.at(i).isEmpty() && !blocks.at(i).contains(QLatin1Char('\n')), qPrintable(blocks.at(i)));
        QVERIFY(!blocks.at(i).startsWith(QLatin1Char(' ')));
    }
    // The closing paragraph leads into the contact lines.
    QVERIFY(blocks.at(6).endsWith(QLatin1Char(':')));
    QCOMPARE(blocks.at(7).count(QLatin1Char('\n')), 4);
}

void TestHelp::windowFrame()
{
    auto *help = new HelpWindow;
    QVERIFY(help->isWindow());
    QCOMPARE(help->parentWidget(), nullptr);
    QCOMPARE(help->windowTitle(), QStringLiteral("HELP for Lumivane Mini Monitor"));
    QCOMPARE(help->windowModality(), Qt::NonModal);
    QVERIFY(help->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(help->minimumSize(), QSize(788, 542));
    QCOMPARE(help->maximumSize(), QSize(788, 542));
    QCOMPARE(help->font(), QApplication::font());
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(help->size(), QSize(788, 542));
}

void TestHelp::controlPlacement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Label1") << QStringLiteral("Label1") << QRect(32, 24, 729, 481);
    QTest::newRow("cmdExit") << QStringLiteral("cmdExit") << QRect(688, 504, 65, 25);
}

void TestHelp::controlPlacement()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    auto *help = new HelpWindow;
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    auto *control = help->findChild<QWidget *>(name);
    QVERIFY(control);
    QWidget *placed = placedOnForm(control, help);
    QVERIFY(placed);
    QCOMPARE(placed->geometry(), rect);
    QVERIFY(placed->isVisible());
}

void TestHelp::onlyExitTakesFocus()
{
    auto *help = new HelpWindow;
    QPushButton *exit = exitButton(help);
    QVERIFY(exit);
    QCOMPARE(exit->text(), QStringLiteral("Exit"));
    QVERIFY(!exit->isDefault());
    QVERIFY(!exit->autoDefault());

    QList<QWidget *> tabStops;
    for (QWidget *w : help->findChildren<QWidget *>()) {
        if (w->focusPolicy() & Qt::TabFocus)
            tabStops << w;
    }
    QCOMPARE(tabStops, QList<QWidget *>{exit});
}

void TestHelp::focusStartsOnExit()
{
    auto *help = new HelpWindow;
    help->show();
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    QCOMPARE(QApplication::focusWidget(), exitButton(help));
}

void TestHelp::closesAndReopensWithTextOnce_data()
{
    QTest::addColumn<bool>("byExitButton");
    QTest::newRow("Exit button") << true;
    QTest::newRow("close()") << false;
}

void TestHelp::closesAndReopensWithTextOnce()
{
    QFETCH(bool, byExitButton);

    QPointer<HelpWindow> help = new HelpWindow;
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    const QString first = label1(help)->text();
    QVERIFY(first.startsWith(kIntroStart));

    if (byExitButton)
        QTest::mouseClick(exitButton(help), Qt::LeftButton);
    else
        help->close();
    QTRY_VERIFY(help.isNull());

    QPointer<HelpWindow> again = new HelpWindow;
    again->show();
    QVERIFY(QTest::qWaitForWindowExposed(again));
    const QString text = label1(again)->text();
    QCOMPARE(text, first);
    QCOMPARE(text.count(kIntroStart), 1);
}

void TestHelp::exitClosesOnlyItsOwnWindow()
{
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);

    QPointer<HelpWindow> help = new HelpWindow;
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QTest::mouseClick(exitButton(help), Qt::LeftButton);
    QTRY_VERIFY(help.isNull());

    QVERIFY(other.isVisible());
    QCOMPARE(quitting.count(), 0);
}

void TestHelp::wholeTextCanBeRead_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("default font") << 0;
    QTest::newRow("small font") << 6;
    QTest::newRow("large font") << 16;
}

void TestHelp::wholeTextCanBeRead()
{
    QFETCH(int, pointSize);
    const QFont appFont = QApplication::font();
    if (pointSize > 0) {
        QFont f = appFont;
        f.setPointSize(pointSize);
        QApplication::setFont(f);
    }
    auto restore = qScopeGuard([&] { QApplication::setFont(appFont); });

    auto *help = new HelpWindow;
    help->show();
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QLabel *label = label1(help);
    QVERIFY(label);

    // The label is tall enough for all of its wrapped text...
    QTRY_VERIFY(label->height() >= label->heightForWidth(label->width()));

    QScrollArea *area = scrollAreaOf(label);
    if (!area)
        return; // a bare label that is tall enough shows everything
    QWidget *viewport = area->viewport();
    // ...wraps within what is visible, so nothing is cut off on the right...
    QVERIFY(label->width() <= viewport->width());

    // ...and its last line can be scrolled into view.
    QScrollBar *bar = area->verticalScrollBar();
    bar->setValue(bar->maximum());
    const int bottom = label->mapTo(viewport, QPoint(0, label->height())).y();
    QVERIFY2(bottom <= viewport->height(),
             qPrintable(QStringLiteral("text ends at %1, view is %2 high")
                            .arg(bottom)
                            .arg(viewport->height())));
    if (label->height() > viewport->height())
        QVERIFY(bar->isVisible());
}

void TestHelp::keysScrollTheText_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("towardsEnd");
    QTest::newRow("End") << int(Qt::Key_End) << true;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << true;
    QTest::newRow("Home") << int(Qt::Key_Home) << false;
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << false;
}

void TestHelp::keysScrollTheText()
{
    QFETCH(int, key);
    QFETCH(bool, towardsEnd);

    auto *help = new HelpWindow;
    help->show();
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    QScrollArea *area = scrollAreaOf(label1(help));
    QVERIFY(area);
    QScrollBar *bar = area->verticalScrollBar();
    if (bar->maximum() == 0)
        QSKIP("the text fits without scrolling at this font");

    const int start = towardsEnd ? bar->minimum() : bar->maximum();
    bar->setValue(start);
    QTest::keyClick(exitButton(help), Qt::Key(key));
    QVERIFY(towardsEnd ? bar->value() > start : bar->value() < start);
    QCOMPARE(QApplication::focusWidget(), exitButton(help));
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
