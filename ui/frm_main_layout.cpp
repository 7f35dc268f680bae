// The main window's controls, where they stand and how they are set up.
#include "frm_main.h"

#include "step_toolbar.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

constexpr int kClientWidth = 11835;  // twips
constexpr int kClientHeight = 7050;  // twips
constexpr int kColumnSpacing = 1560; // twips between channel columns
constexpr qreal kDialogFontPoints = 8.25;
constexpr qreal kMonitoringFontPoints = 9.75;

template <typename Widget>
Widget *place(Widget *widget, const QString &name, const QString &spoken, const QRect &rect)
{
    widget->setObjectName(name);
    widget->setAccessibleName(spoken);
    widget->setGeometry(rect);
    return widget;
}

QString element(const char *name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QSlider *channelSlider(Qt::Orientation orientation, QWidget *parent)
{
    auto *slider = new QSlider(orientation, parent);
    slider->setRange(1, 256);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    slider->setTickInterval(25);
    slider->setTickPosition(orientation == Qt::Vertical ? QSlider::TicksRight : QSlider::TicksBelow);
    slider->setValue(1);
    return slider;
}

QPushButton *button(const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

void frmMain::setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void frmMain::buildLayout()
{
    setWindowTitle(QStringLiteral("Lumivane MINI Monitor"));
    QFont dialogFont = QApplication::font();
    dialogFont.setPointSizeF(kDialogFontPoints);
    setFont(dialogFont);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setCentralWidget(client);

    // Status frame.
    Frame1[0] = place(new QGroupBox(QStringLiteral("Status"), client), element("Frame1", 0),
                      QStringLiteral("Status"), twipsRect(240, 120, 4215, 1215));
    txtMessageBox = place(new QLineEdit(Frame1[0]), QStringLiteral("txtMessageBox"),
                          QStringLiteral("Status message"), twipsRect(240, 480, 3735, 285));

    // Serial port frame: a two-by-two grid of port buttons.
    Frame1[1] = place(new QGroupBox(QStringLiteral("Serial Port"), client), element("Frame1", 1),
                      QStringLiteral("Serial Port"), twipsRect(5400, 120, 2535, 1215));
    const std::array<QRect, kPorts> portRects = {twipsRect(240, 240, 735, 255), twipsRect(240, 720, 855, 255),
                                                 twipsRect(1440, 240, 855, 255), twipsRect(1440, 720, 975, 255)};
    for (int i = 0; i < kPorts; ++i) {
        const QString caption = QStringLiteral("Port%1").arg(i + 1);
        OptSerial[i] = place(new QRadioButton(caption, Frame1[1]), element("OptSerial", i),
                             QStringLiteral("Serial port %1").arg(i + 1), portRects[i]);
    }

    // Channel readers.
    Frame2 = place(new QGroupBox(QStringLiteral("Read DMX Channels"), client), QStringLiteral("Frame2"),
                   QStringLiteral("Read DMX Channels"), twipsRect(240, 1560, 8535, 3495));
    for (int i = 0; i < kReaders; ++i) {
        const int shift = kColumnSpacing * i;
        const QString slot = QString::number(i + 1);
        txtChannel0Level[i] = place(new QLineEdit(Frame2), element("txtChannel0Level", i),
                                    QStringLiteral("Level of reader %1").arg(slot),
                                    twipsRect(480 + shift, 360, 615, 285));
        sldDMXChannel[i] = place(channelSlider(Qt::Vertical, Frame2), element("sldDMXChannel", i),
                                 QStringLiteral("Channel of reader %1").arg(slot),
                                 twipsRect(480 + shift, 720, 615, 2175));
        const QRect steps = twipsRect(195 + shift, 1440, 255, 720);
        Toolbar1[i] = place(new StepToolbar(Qt::Vertical, imlToolbarIcons, steps, Frame2), element("Toolbar1", i),
                            QStringLiteral("Step the channel of reader %1").arg(slot), steps);
        cmdReadChannel[i] = place(button(QStringLiteral("Read Channel 0"), Frame2), element("cmdReadChannel", i),
                                  QStringLiteral("Read the channel of reader %1").arg(slot),
                                  twipsRect(120 + shift, i == 0 ? 2950 : 2955, 1500, 375));
    }
    ChkContinuousMonitor = place(new QCheckBox(Frame2), QStringLiteral("ChkContinuousMonitor"),
                                 QStringLiteral("Continuous Monitoring"), twipsRect(7750, 1800, 255, 375));
    lblMonitoring = place(new QLabel(QStringLiteral("Continuous Monitoring"), Frame2),
                          QStringLiteral("lblMonitoring"), QStringLiteral("Continuous Monitoring"),
                          twipsRect(7320, 1320, 1095, 495));
    lblMonitoring->setWordWrap(true);
    QFont monitoringFont = dialogFont;
    monitoringFont.setPointSizeF(kMonitoringFontPoints);
    monitoringFont.setWeight(QFont::Normal);
    lblMonitoring->setFont(monitoringFont);
    setTextColour(lblMonitoring, palette().color(QPalette::ToolTipText));

    // Range listing.
    Frame3 = place(new QGroupBox(QStringLiteral("List DMX Channel Values"), client), QStringLiteral("Frame3"),
                   QStringLiteral("List DMX Channel Values"), twipsRect(240, 5280, 8535, 1575));
    sldDMXLow = place(channelSlider(Qt::Horizontal, Frame3), QStringLiteral("sldDMXLow"),
                      QStringLiteral("First channel of the listing"), twipsRect(480, 360, 2175, 615));
    Label2[0] = place(new QLabel(QStringLiteral("From Channel"), Frame3), element("Label2", 0),
                      QStringLiteral("From Channel"), twipsRect(120, 960, 1215, 255));
    const QRect lowSteps = twipsRect(1320, 960, 735, 390);
    ToolbarLow = place(new StepToolbar(Qt::Horizontal, imlToolbarIcons, lowSteps, Frame3), QStringLiteral("ToolbarLow"),
                       QStringLiteral("Step the first channel"), lowSteps);
    lblLow = place(new QLabel(QStringLiteral("1"), Frame3), QStringLiteral("lblLow"),
                   QStringLiteral("First channel"), twipsRect(480, 1200, 615, 255));
    setTextColour(lblLow, Qt::red);
    Command1 = place(button(QStringLiteral("List Ch 0-38"), Frame3), QStringLiteral("Command1"),
                     QStringLiteral("List the channel range"), twipsRect(3360, 720, 1575, 375));
    sldDMXHigh = place(channelSlider(Qt::Horizontal, Frame3), QStringLiteral("sldDMXHigh"),
                       QStringLiteral("Last channel of the listing"), twipsRect(6000, 360, 2175, 615));
    Label2[1] = place(new QLabel(QStringLiteral("To Channel"), Frame3), element("Label2", 1),
                      QStringLiteral("To Channel"), twipsRect(5520, 960, 975, 255));
    const QRect highSteps = twipsRect(6720, 960, 735, 390);
    ToolbarHigh = place(new StepToolbar(Qt::Horizontal, imlToolbarIcons, highSteps, Frame3),
                        QStringLiteral("ToolbarHigh"), QStringLiteral("Step the last channel"), highSteps);
    lblHigh = place(new QLabel(QStringLiteral("256"), Frame3), QStringLiteral("lblHigh"),
                    QStringLiteral("Last channel"), twipsRect(5880, 1200, 615, 255));
    setTextColour(lblHigh, Qt::red);

    lstLevel = place(new QListWidget(client), QStringLiteral("lstLevel"), QStringLiteral("Channel levels"),
                     twipsRect(9000, 240, 2535, 6105));
    lstLevel->setSortingEnabled(false);
    lstLevel->setUniformItemSizes(true);
    cmdExit = place(button(QStringLiteral("Exit"), client), QStringLiteral("cmdExit"), QStringLiteral("Exit"),
                    twipsRect(9960, 6480, 975, 375));

    // Fixed size: the layout does not follow the frame, so nothing to maximise.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

void frmMain::buildMenu()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuExit = mnuFile->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuHelp = menuBar()->addAction(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
}

void frmMain::buildTabOrder()
{
    // The controls that take the keyboard, in their tab order; frames, labels
    // and the step toolbars take no focus.
    std::vector<QWidget *> order = {cmdExit, cmdReadChannel[0], txtChannel0Level[0], lstLevel, txtMessageBox};
    for (QRadioButton *port : OptSerial)
        order.push_back(port);
    order.insert(order.end(), {sldDMXChannel[0], sldDMXChannel[1], txtChannel0Level[1], cmdReadChannel[1]});
    for (int i = 2; i < kReaders; ++i)
        order.insert(order.end(), {sldDMXChannel[i], txtChannel0Level[i], cmdReadChannel[i]});
    order.insert(order.end(), {Command1, sldDMXLow, sldDMXHigh, ChkContinuousMonitor});
    for (size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}
