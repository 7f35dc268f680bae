// The main window's controls, where they stand and how they are set up.
#include "main_window.h"

#include "step_toolbar.h"
#include "ticked_slider.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
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
    auto *slider = new TickedSlider(orientation, parent);
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

// The layout was drawn for a common Windows sans at 8.25 pt; Liberation Sans
// has the same widths, so every caption and status text fits its box as
// drawn. Without it, the platform's own sans.
QFont dialogFont()
{
    QFont font = QApplication::font();
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        font.setFamily(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(kDialogFontPoints);
    return font;
}

} // namespace

void MainWindow::setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void MainWindow::buildLayout()
{
    setWindowTitle(QStringLiteral("Lumivane MINI Monitor"));
    setFont(dialogFont());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setCentralWidget(client);

    // Status frame.
    auto *statusFrame = place(new QGroupBox(QStringLiteral("Status"), client), element("Frame1", 0),
                      QStringLiteral("Status"), twipsRect(240, 120, 4215, 1215));
    m_statusBox = place(new QLineEdit(statusFrame), QStringLiteral("txtMessageBox"),
                          QStringLiteral("Status message"), twipsRect(240, 480, 3735, 285));

    // Serial port frame: a two-by-two grid of port buttons.
    auto *portFrame = place(new QGroupBox(QStringLiteral("Serial Port"), client), element("Frame1", 1),
                      QStringLiteral("Serial Port"), twipsRect(5400, 120, 2535, 1215));
    const std::array<QRect, kPorts> portRects = {twipsRect(240, 240, 735, 255), twipsRect(240, 720, 855, 255),
                                                 twipsRect(1440, 240, 855, 255), twipsRect(1440, 720, 975, 255)};
    for (int i = 0; i < kPorts; ++i) {
        const QString caption = QStringLiteral("Port%1").arg(i + 1);
        m_portButtons[i] = place(new QRadioButton(caption, portFrame), element("OptSerial", i),
                             QStringLiteral("Serial port %1").arg(i + 1), portRects[i]);
    }

    // Channel readers.
    auto *readerFrame = place(new QGroupBox(QStringLiteral("Read DMX Channels"), client), QStringLiteral("Frame2"),
                   QStringLiteral("Read DMX Channels"), twipsRect(240, 1560, 8535, 3495));
    for (int i = 0; i < kReaders; ++i) {
        const int shift = kColumnSpacing * i;
        const QString slot = QString::number(i + 1);
        m_levelBoxes[i] = place(new QLineEdit(readerFrame), element("txtChannel0Level", i),
                                    QStringLiteral("Level of reader %1").arg(slot),
                                    twipsRect(480 + shift, 360, 615, 285));
        m_channelSliders[i] = place(channelSlider(Qt::Vertical, readerFrame), element("sldDMXChannel", i),
                                 QStringLiteral("Channel of reader %1").arg(slot),
                                 twipsRect(480 + shift, 720, 615, 2175));
        const QRect steps = twipsRect(195 + shift, 1440, 255, 720);
        m_channelSteps[i] = place(new StepToolbar(Qt::Vertical, m_stepIcons, steps, readerFrame), element("Toolbar1", i),
                            QStringLiteral("Step the channel of reader %1").arg(slot), steps);
        m_channelSteps[i]->setSpoken(QStringLiteral("Reader %1 channel").arg(slot));
        m_readButtons[i] = place(button(QStringLiteral("Read Channel 0"), readerFrame), element("cmdReadChannel", i),
                                  QStringLiteral("Read the channel of reader %1").arg(slot),
                                  twipsRect(120 + shift, i == 0 ? 2950 : 2955, 1500, 375));
    }
    m_monitorCheck = place(new QCheckBox(readerFrame), QStringLiteral("ChkContinuousMonitor"),
                                 QStringLiteral("Continuous Monitoring"), twipsRect(7750, 1800, 255, 375));
    m_monitorLabel = place(new QLabel(QStringLiteral("Continuous Monitoring"), readerFrame),
                          QStringLiteral("lblMonitoring"), QStringLiteral("Continuous Monitoring"),
                          twipsRect(7320, 1320, 1095, 495));
    m_monitorLabel->setWordWrap(true);
    QFont monitoringFont = font();
    monitoringFont.setPointSizeF(kMonitoringFontPoints);
    monitoringFont.setWeight(QFont::Normal);
    m_monitorLabel->setFont(monitoringFont);

    // Range listing.
    auto *listingFrame = place(new QGroupBox(QStringLiteral("List DMX Channel Values"), client), QStringLiteral("Frame3"),
                   QStringLiteral("List DMX Channel Values"), twipsRect(240, 5280, 8535, 1575));
    m_firstSlider = place(channelSlider(Qt::Horizontal, listingFrame), QStringLiteral("sldDMXLow"),
                      QStringLiteral("First channel of the listing"), twipsRect(480, 360, 2175, 615));
    place(new QLabel(QStringLiteral("From Channel"), listingFrame), element("Label2", 0),
                      QStringLiteral("From Channel"), twipsRect(120, 960, 1215, 255));
    const QRect lowSteps = twipsRect(1320, 960, 735, 390);
    m_firstSteps = place(new StepToolbar(Qt::Horizontal, m_stepIcons, lowSteps, listingFrame), QStringLiteral("ToolbarLow"),
                       QStringLiteral("Step the first channel"), lowSteps);
    m_firstSteps->setSpoken(QStringLiteral("First channel"));
    m_firstLabel = place(new QLabel(QStringLiteral("1"), listingFrame), QStringLiteral("lblLow"),
                   QStringLiteral("First channel 1"), twipsRect(480, 1200, 615, 255));
    m_listButton = place(button(QStringLiteral("List Ch 0-38"), listingFrame), QStringLiteral("Command1"),
                     QStringLiteral("List the channel range"), twipsRect(3360, 720, 1575, 375));
    m_lastSlider = place(channelSlider(Qt::Horizontal, listingFrame), QStringLiteral("sldDMXHigh"),
                       QStringLiteral("Last channel of the listing"), twipsRect(6000, 360, 2175, 615));
    place(new QLabel(QStringLiteral("To Channel"), listingFrame), element("Label2", 1),
                      QStringLiteral("To Channel"), twipsRect(5520, 960, 975, 255));
    const QRect highSteps = twipsRect(6720, 960, 735, 390);
    m_lastSteps = place(new StepToolbar(Qt::Horizontal, m_stepIcons, highSteps, listingFrame),
                        QStringLiteral("ToolbarHigh"), QStringLiteral("Step the last channel"), highSteps);
    m_lastSteps->setSpoken(QStringLiteral("Last channel"));
    m_lastLabel = place(new QLabel(QStringLiteral("256"), listingFrame), QStringLiteral("lblHigh"),
                    QStringLiteral("Last channel 256"), twipsRect(5880, 1200, 615, 255));

    m_levelList = place(new QListWidget(client), QStringLiteral("lstLevel"), QStringLiteral("Channel levels"),
                     twipsRect(9000, 240, 2535, 6105));
    m_levelList->setSortingEnabled(false);
    m_levelList->setUniformItemSizes(true);
    m_levelList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_copyAction = new QAction(QStringLiteral("Copy"), m_levelList);
    m_copyAction->setObjectName(QStringLiteral("copyListing"));
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WidgetShortcut);
    m_levelList->addAction(m_copyAction);
    m_levelList->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_exitButton = place(button(QStringLiteral("Exit"), client), QStringLiteral("cmdExit"), QStringLiteral("Exit"),
                    twipsRect(9960, 6480, 975, 375));

    // Fixed size: the layout does not follow the frame, so nothing to maximise.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

void MainWindow::buildMenu()
{
    m_fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    m_fileMenu->setObjectName(QStringLiteral("mnuFile"));
    m_exitAction = m_fileMenu->addAction(QStringLiteral("Exit"));
    m_exitAction->setObjectName(QStringLiteral("mnuExit"));
    m_exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_helpAction = menuBar()->addAction(QStringLiteral("Help"));
    m_helpAction->setObjectName(QStringLiteral("mnuHelp"));
    m_helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    auto *viewMenu = menuBar()->addMenu(QStringLiteral("View"));
    viewMenu->setObjectName(QStringLiteral("mnuView"));
    m_liveChannelsAction = viewMenu->addAction(QStringLiteral("Live Channels…"));
    m_liveChannelsAction->setObjectName(QStringLiteral("mnuLiveChannels"));
    m_liveChannelsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    // Exit, Help and Live Channels answer from Help and Live Channels too; a
    // modal message box still holds them off.
    for (QAction *action : {m_exitAction, m_helpAction, m_liveChannelsAction})
        action->setShortcutContext(Qt::ApplicationShortcut);
    // Shown only when the menus do not fit, but a control all the same.
    if (auto *more = menuBar()->findChild<QWidget *>(QStringLiteral("qt_menubar_ext_button")))
        more->setAccessibleName(QStringLiteral("More menus"));
}

void MainWindow::buildTabOrder()
{
    // The controls that take the keyboard, in their tab order; frames, labels
    // and the step toolbars take no focus.
    std::vector<QWidget *> order = {m_exitButton, m_readButtons[0], m_levelBoxes[0], m_levelList, m_statusBox};
    for (QRadioButton *port : m_portButtons)
        order.push_back(port);
    order.insert(order.end(), {m_channelSliders[0], m_channelSliders[1], m_levelBoxes[1], m_readButtons[1]});
    for (int i = 2; i < kReaders; ++i)
        order.insert(order.end(), {m_channelSliders[i], m_levelBoxes[i], m_readButtons[i]});
    order.insert(order.end(), {m_listButton, m_firstSlider, m_lastSlider, m_monitorCheck});
    for (size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}
