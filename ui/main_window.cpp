#include "main_window.h"

#include "box_session.h"
#include "help_window.h"
#include "listing_lines.h"
#include "port_mapping.h"
#include "readable_colour.h"
#include "step_toolbar.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

MainWindow::MainWindow(BoxSession &session, Platform platform, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_platform(std::move(platform))
    , m_stepIcons(inkFor(palette()))
{
    setObjectName(QStringLiteral("frmMain"));
    buildLayout();
    applyInk();
    buildMenu();
    buildTabOrder();
    connectControls();
    connectSession();

    QVector<int> channels;
    for (QSlider *slider : m_channelSliders)
        channels << slider->value();
    m_session.setMonitoredChannels(channels);
}

MainWindow::~MainWindow()
{
    delete m_help;
    delete m_liveChannels;
}

namespace {

// The slider's own change handling brings the captions up to date; a step
// against an end leaves the value, and so every caption, as it was.
void step(QSlider *slider, int delta)
{
    slider->setValue(steppedValue(slider->value(), delta, slider->minimum(), slider->maximum()));
}

} // namespace

void MainWindow::connectControls()
{
    for (int i = 0; i < kPorts; ++i) {
        connect(m_portButtons[i], &QRadioButton::clicked, this, [this, i] { onPortClicked(i); });
        m_portButtons[i]->installEventFilter(this);
    }
    refreshPortToolTips();
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::onExitClicked);
    connect(m_exitAction, &QAction::triggered, this, &MainWindow::onExitChosen);
    connect(m_helpAction, &QAction::triggered, this, &MainWindow::onHelpChosen);
    connect(m_liveChannelsAction, &QAction::triggered, this, &MainWindow::onLiveChannelsChosen);

    for (int i = 0; i < kReaders; ++i) {
        connect(m_channelSliders[i], &QSlider::valueChanged, this, [this, i] { onChannelChanged(i); });
        connect(m_channelSteps[i], &StepToolbar::stepped, this, [this, i](int delta) { step(m_channelSliders[i], delta); });
        connect(m_readButtons[i], &QPushButton::clicked, this, [this, i] { onReadClicked(i); });
    }
    connect(m_listButton, &QPushButton::clicked, this, &MainWindow::onListClicked);
    connect(m_copyAction, &QAction::triggered, this, &MainWindow::copyListing);
    // By its state, whatever changed it: a click, the space bar, or a screen
    // reader's or voice control's toggle, which clicks nothing.
    connect(m_monitorCheck, &QCheckBox::toggled, this, &MainWindow::onMonitorSwitched);

    connect(m_firstSlider, &QSlider::valueChanged, this, &MainWindow::onFirstChanged);
    connect(m_lastSlider, &QSlider::valueChanged, this, &MainWindow::onLastChanged);
    connect(m_firstSteps, &StepToolbar::stepped, this, [this](int delta) { step(m_firstSlider, delta); });
    connect(m_lastSteps, &StepToolbar::stepped, this, [this](int delta) { step(m_lastSlider, delta); });
}

void MainWindow::connectSession()
{
    connect(&m_session, &BoxSession::probed, this, [this](int port, Status status) {
        m_portTips.noteOpen(port, status == Status::ErrorOpeningPort ? m_session.port().openError() : QString());
        if (port >= 1 && port <= kPorts)
            m_portButtons[port - 1]->setToolTip(m_portTips.tip(port));
        report(status);
    });
    connect(&m_session, &BoxSession::levelRead, this,
            [this](int reader, int, std::optional<int> level) { showRead(reader, level); });
    connect(&m_session, &BoxSession::monitoredLevelRead, this,
            [this](int slot, int, std::optional<int> level) { showRead(slot, level); });
    connect(&m_session, &BoxSession::listed, this, [this](const BlockReply &reply) { showListing(Listing::from(reply)); });
    // A port that goes away is one the program cannot use.
    connect(&m_session, &BoxSession::portLost, this, [this] { report(Status::ErrorOpeningPort); });
}

void MainWindow::load()
{
    // Choosing Port1 opens the port and probes the box before anything else
    // goes to the wire; its outcome reaches the status box when it comes.
    m_portButtons[0]->click();
    for (int i = 0; i < kReaders; ++i) {
        m_channelSliders[i]->setValue(1);
        showReadCaption(i, 1);
    }
    m_lastSlider->setValue(m_lastSlider->maximum());
    m_exitButton->setFocus();
}

void MainWindow::onChannelChanged(int reader)
{
    const int channel = m_channelSliders[reader]->value();
    showReadCaption(reader, channel);
    m_session.setMonitoredChannel(reader, channel);
}

// A screen reader hears the caption, and which reader the button belongs to.
void MainWindow::showReadCaption(int reader, int channel)
{
    m_readButtons[reader]->setText(QStringLiteral("Read Channel %1").arg(channel));
    m_readButtons[reader]->setAccessibleName(m_readButtons[reader]->text());
    m_readButtons[reader]->setAccessibleDescription(QStringLiteral("Reader %1").arg(reader + 1));
}

void MainWindow::onFirstChanged()
{
    showRangeEnd(m_firstLabel, QStringLiteral("First channel"), m_firstSlider->value());
    updateListCaption();
}

void MainWindow::onLastChanged()
{
    showRangeEnd(m_lastLabel, QStringLiteral("Last channel"), m_lastSlider->value());
    updateListCaption();
}

// A screen reader hears the figure together with which end of the range it is.
void MainWindow::showRangeEnd(QLabel *label, const QString &end, int channel)
{
    label->setText(QString::number(channel));
    label->setAccessibleName(QStringLiteral("%1 %2").arg(end).arg(channel));
}

void MainWindow::updateListCaption()
{
    m_listButton->setText(QStringLiteral("List Ch %1-%2").arg(m_firstSlider->value()).arg(m_lastSlider->value()));
    m_listButton->setAccessibleName(
        QStringLiteral("List channels %1 to %2").arg(m_firstSlider->value()).arg(m_lastSlider->value()));
}

void MainWindow::onPortClicked(int index)
{
    m_session.choosePort(index + 1);
}

void MainWindow::refreshPortToolTips()
{
    const QStringList tips = m_portTips.tips();
    for (int i = 0; i < kPorts; ++i)
        m_portButtons[i]->setToolTip(tips.value(i));
}

// Which device a port button opens can change whenever an adapter is
// plugged in or out, so its tool tip is looked up again when it is shown.
bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        for (int i = 0; i < kPorts; ++i) {
            if (watched == m_portButtons[i])
                m_portButtons[i]->setToolTip(m_portTips.tip(i + 1));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyInk();
    QMainWindow::changeEvent(event);
}

void MainWindow::applyInk()
{
    m_stepIcons = ImageList(inkFor(palette()));
    for (StepToolbar *steps : m_channelSteps)
        steps->setImages(m_stepIcons);
    m_firstSteps->setImages(m_stepIcons);
    m_lastSteps->setImages(m_stepIcons);
    // Red and the desktop's colours, each made to stand out from this
    // desktop's window, light or dark.
    const QColor window = palette().color(QPalette::Window);
    const QColor red = readableOn(Qt::red, window);
    setTextColour(m_firstLabel, red);
    setTextColour(m_lastLabel, red);
    switch (m_caption) {
    case Caption::AsStarted:
        setTextColour(m_monitorLabel, readableOn(palette().color(QPalette::ToolTipText), window));
        break;
    case Caption::Monitoring:
        setTextColour(m_monitorLabel, red);
        break;
    case Caption::Stopped:
        setTextColour(m_monitorLabel, readableOn(inkFor(palette()), window));
        break;
    }
}

// The selected lines, or every line when none is selected, one per line:
// ready to paste into a spreadsheet or a mail.
void MainWindow::copyListing()
{
    const bool all = m_levelList->selectedItems().isEmpty();
    QStringList lines;
    for (int row = 0; row < m_levelList->count(); ++row) {
        QListWidgetItem *item = m_levelList->item(row);
        if (all || item->isSelected())
            lines << item->text();
    }
    if (!lines.isEmpty())
        QGuiApplication::clipboard()->setText(lines.join(u'\n') + u'\n');
}

void MainWindow::onReadClicked(int reader)
{
    m_session.readChannel(reader, m_channelSliders[reader]->value());
}

// A range that does not rise is refused here, at once: the message needs no
// box and holds up nothing on the link.
void MainWindow::onListClicked()
{
    const int last = m_lastSlider->value();
    const int first = m_firstSlider->value();
    if (last <= first) {
        m_platform.messageBox(this, QStringLiteral("The upper channel value must be higher than the lower channel value."),
                              QStringLiteral("Channel Range Error"));
        return;
    }
    m_session.listRange(first, last);
}

void MainWindow::onMonitorSwitched(bool on)
{
    if (on) {
        m_caption = Caption::Monitoring;
        applyInk();
        m_session.startMonitoring();
    } else {
        m_caption = Caption::Stopped;
        applyInk();
        m_session.stopMonitoring();
    }
}

void MainWindow::showStatus(Status status)
{
    m_statusBox->setText(statusText(status));
    // A message longer than the box shows its beginning, not its end.
    m_statusBox->setCursorPosition(0);
}

void MainWindow::report(Status status)
{
    showStatus(status);
    if (statusBeeps(status))
        m_platform.beep();
}

// While the port is lost, what was asked of it fails without a word: the
// status keeps saying the port is gone, and the loss beeped once.
void MainWindow::showRead(int reader, std::optional<int> level)
{
    if (!level && m_session.portIsLost()) {
        m_levelBoxes[reader]->clear();
        return;
    }
    const Status status = level ? Status::ReadAccepted : Status::NoResponse;
    showStatus(status);
    m_levelBoxes[reader]->setText(level ? QString::number(*level) : QString());
    if (statusBeeps(status))
        m_platform.beep();
}

void MainWindow::showListing(const Listing &listing)
{
    if (listing.list == Listing::List::Keep && m_session.portIsLost())
        return;
    showStatus(listing.status);
    if (listing.list == Listing::List::Keep)
        return;
    // One batch: a 256-line listing repaints once, not line by line.
    m_levelList->setUpdatesEnabled(false);
    m_levelList->clear();
    m_levelList->addItems(listingLines(listing));
    m_levelList->setUpdatesEnabled(true);
}

void MainWindow::onExitClicked()
{
    endProgram(/*closeHelpFirst=*/false);
}

void MainWindow::onExitChosen()
{
    endProgram(/*closeHelpFirst=*/true);
}

void MainWindow::endProgram(bool closeHelpFirst)
{
    m_session.shutDown();
    if (closeHelpFirst) {
        delete m_help;
        delete m_liveChannels;
    }
    hide();
    m_platform.endProgram();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing by the window frame is File > Exit.
    event->accept();
    onExitChosen();
}

void MainWindow::onHelpChosen()
{
    if (!m_help)
        m_help = new HelpWindow();
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::onLiveChannelsChosen()
{
    if (!m_liveChannels)
        m_liveChannels = new LiveChannelsWindow(m_session, m_platform);
    m_liveChannels->show();
    m_liveChannels->raise();
    m_liveChannels->activateWindow();
}
