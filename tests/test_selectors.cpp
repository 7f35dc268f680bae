// The channel selectors: step buttons, keys and the captions that follow
// the sliders.
#include "harness.h"
#include "step_toolbar.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

void clickStep(MonitorWindow &window, const QString &toolbar, const QString &key)
{
    auto *button = window.child<QToolBar>(toolbar)->findChild<QToolButton *>(key);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestSelectors : public QObject {
    Q_OBJECT
private slots:
    void stepRule_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("stepped");
        QTest::newRow("Forward from 1") << 1 << +1 << 2;
        QTest::newRow("Forward at 256 stays") << 256 << +1 << 256;
        QTest::newRow("Back from 256") << 256 << -1 << 255;
        QTest::newRow("Back at 1 stays") << 1 << -1 << 1;
    }

    void stepRule()
    {
        QFETCH(int, value);
        QFETCH(int, delta);
        QFETCH(int, stepped);
        QCOMPARE(steppedValue(value, delta, 1, 256), stepped);
    }

    void stepButtonsReportOneChannel_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("delta");
        QTest::newRow("Forward") << "Forward" << +1;
        QTest::newRow("Back") << "Back" << -1;
    }

    void stepButtonsReportOneChannel()
    {
        QFETCH(QString, key);
        QFETCH(int, delta);
        StepToolbar toolbar(Qt::Vertical, ImageList(), QRect(0, 0, 17, 48));
        QSignalSpy steps(&toolbar, &StepToolbar::stepped);
        auto *button = toolbar.findChild<QToolButton *>(key);
        QVERIFY(button);
        button->click();
        QCOMPARE(steps.count(), 1);
        QCOMPARE(steps.at(0).at(0).toInt(), delta);
    }

    void stepButtonsMoveTheirSliderAndCaption_data()
    {
        QTest::addColumn<QString>("toolbar");
        QTest::addColumn<QString>("slider");
        QTest::addColumn<QString>("caption"); // the control whose text follows the slider
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");

        for (int i = 0; i < 5; ++i) {
            const QString n = QString::number(i);
            const QByteArray tag = "reader " + n.toLatin1();
            QTest::newRow(tag + " Forward") << "Toolbar1_" + n << "sldDMXChannel_" + n << "cmdReadChannel_" + n
                                            << "Read Channel " << 40 << "Forward" << 41;
            QTest::newRow(tag + " Back") << "Toolbar1_" + n << "sldDMXChannel_" + n << "cmdReadChannel_" + n
                                         << "Read Channel " << 40 << "Back" << 39;
        }
        QTest::newRow("reader Back at 1") << "Toolbar1_2" << "sldDMXChannel_2" << "cmdReadChannel_2"
                                          << "Read Channel " << 1 << "Back" << 1;
        QTest::newRow("reader Forward at 256") << "Toolbar1_2" << "sldDMXChannel_2" << "cmdReadChannel_2"
                                               << "Read Channel " << 256 << "Forward" << 256;
        QTest::newRow("low Forward") << "ToolbarLow" << "sldDMXLow" << "lblLow" << "" << 5 << "Forward" << 6;
        QTest::newRow("low Back at 1") << "ToolbarLow" << "sldDMXLow" << "lblLow" << "" << 1 << "Back" << 1;
        QTest::newRow("high Back") << "ToolbarHigh" << "sldDMXHigh" << "lblHigh" << "" << 256 << "Back" << 255;
        QTest::newRow("high Forward at 256") << "ToolbarHigh" << "sldDMXHigh" << "lblHigh" << "" << 256 << "Forward" << 256;
    }

    void stepButtonsMoveTheirSliderAndCaption()
    {
        QFETCH(QString, toolbar);
        QFETCH(QString, slider);
        QFETCH(QString, caption);
        QFETCH(QString, prefix);
        QFETCH(int, start);
        QFETCH(QString, key);
        QFETCH(int, expected);

        MonitorWindow window;
        window.load();
        auto *moved = window.child<QSlider>(slider);
        moved->setValue(start);
        QCOMPARE(window.text(caption), prefix + QString::number(start));

        const QStringList before = [&] {
            QStringList texts;
            for (int i = 0; i < 5; ++i)
                texts << window.text(QStringLiteral("cmdReadChannel_%1").arg(i));
            return texts << window.text("lblLow") << window.text("lblHigh");
        }();

        // A step that changes nothing must rewrite nothing: mark the caption.
        if (start == expected) {
            if (auto *button = window.child<QPushButton>(caption))
                button->setText("unchanged");
            else
                window.child<QLabel>(caption)->setText("unchanged");
        }
        clickStep(window, toolbar, key);

        QCOMPARE(moved->value(), expected);
        QCOMPARE(window.text(caption), start == expected ? QStringLiteral("unchanged") : prefix + QString::number(expected));
        for (int i = 0; i < 5; ++i) {
            const QString other = QStringLiteral("cmdReadChannel_%1").arg(i);
            if (other != caption && start != expected)
                QCOMPARE(window.text(other), before[i]);
        }
        QCOMPARE(window.text("Command1"), QStringLiteral("List Ch %1-%2")
                                               .arg(window.child<QSlider>("sldDMXLow")->value())
                                               .arg(window.child<QSlider>("sldDMXHigh")->value()));
    }

    void keysMoveTheSliderAndItsCaption_data()
    {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("arrow up") << "sldDMXChannel_0" << 50 << int(Qt::Key_Up) << 51;
        QTest::newRow("arrow down") << "sldDMXChannel_0" << 50 << int(Qt::Key_Down) << 49;
        QTest::newRow("page up") << "sldDMXChannel_0" << 50 << int(Qt::Key_PageUp) << 60;
        QTest::newRow("page down") << "sldDMXChannel_0" << 50 << int(Qt::Key_PageDown) << 40;
        QTest::newRow("page up stops at 256") << "sldDMXChannel_0" << 250 << int(Qt::Key_PageUp) << 256;
        QTest::newRow("page down stops at 1") << "sldDMXChannel_0" << 5 << int(Qt::Key_PageDown) << 1;
        QTest::newRow("low right") << "sldDMXLow" << 50 << int(Qt::Key_Right) << 51;
        QTest::newRow("high page down") << "sldDMXHigh" << 256 << int(Qt::Key_PageDown) << 246;
    }

    void keysMoveTheSliderAndItsCaption()
    {
        QFETCH(QString, slider);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);

        MonitorWindow window;
        window.load();
        auto *moved = window.child<QSlider>(slider);
        moved->setValue(start);
        QTest::keyClick(moved, Qt::Key(key));
        QCOMPARE(moved->value(), expected);
        if (slider == "sldDMXChannel_0")
            QCOMPARE(window.text("cmdReadChannel_0"), QStringLiteral("Read Channel %1").arg(expected));
        else if (slider == "sldDMXLow")
            QCOMPARE(window.text("lblLow"), QString::number(expected));
        else
            QCOMPARE(window.text("lblHigh"), QString::number(expected));
    }

    void listCaptionFollowsBothRangeSliders_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("caption");
        QTest::newRow("ordinary") << 10 << 20 << "List Ch 10-20";
        QTest::newRow("equal") << 7 << 7 << "List Ch 7-7";
        QTest::newRow("reversed shown as it is") << 200 << 100 << "List Ch 200-100";
        QTest::newRow("beyond the ends clamps") << -5 << 999 << "List Ch 1-256";
    }

    void listCaptionFollowsBothRangeSliders()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QString, caption);

        MonitorWindow window;
        window.load();
        // Either order of moves ends in the same caption.
        window.child<QSlider>("sldDMXLow")->setValue(low);
        window.child<QSlider>("sldDMXHigh")->setValue(high);
        QCOMPARE(window.text("Command1"), caption);

        MonitorWindow other;
        other.load();
        other.child<QSlider>("sldDMXHigh")->setValue(high);
        other.child<QSlider>("sldDMXLow")->setValue(low);
        QCOMPARE(other.text("Command1"), caption);
    }

    void designCaptionsNeverShowAfterStartUp()
    {
        MonitorWindow window;
        window.load();
        for (QPushButton *button : window.form->findChildren<QPushButton *>()) {
            QVERIFY(button->text() != QStringLiteral("Read Channel 0"));
            QVERIFY(button->text() != QStringLiteral("List Ch 0-38"));
        }
    }
};

QTEST_MAIN(TestSelectors)
#include "test_selectors.moc"
