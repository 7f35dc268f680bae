#include "frm_main.h"

#include "box_session.h"
#include "f_help.h"
#include "listing_lines.h"
#include "port_mapping.h"
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

frmMain::frmMain(BoxSession &session, Platform platform, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_platform(std::move(platform))
    , m_stepIcons(inkFor(palette()))
{
    setObjectName(QStringLiteral("frmMain"));
    buildLayout();
    buildMenu();
    buildTabOrder();
    connectControls();
    connectSession();

    QVector<int> channels;
    for (QSlider *slider : m_channelSliders)
        channels << slider->value();
    m_session.setMonitoredChannels(channels);
}

frmMain::~frmMain()
{
    delete m_help;
    delete m_liveChannels;
}

namespace {

// The slider's own change handling brings the captions up to date; a step
// against an end leaves the value, and so every caption, as it was.
void step(QSlider *slider, const QString &key)
{
    slider->setValue(steppedValue(slider->value(), key, slider->minimum(), slider->maximum()));
}

} // namespace

void frmMain::connectControls()
{
    for (int i = 0; i < kPorts; ++i) {
        connect(m_portButtons[i], &QRadioButton::clicked, this, [this, i] { onPortClicked(i); });
        m_portButtons[i]->installEventFilter(this);
    }
    refreshPortToolTips();
    connect(m_exitButton, &QPushButton::clicked, this, &frmMain::onExitClicked);
    connect(m_exitAction, &QAction::triggered, this, &frmMain::onExitChosen);
    connect(m_helpAction, &QAction::triggered, this, &frmMain::onHelpChosen);
    connect(m_liveChannelsAction, &QAction::triggered, this, &frmMain::onLiveChannelsChosen);

    for (int i = 0; i < kReaders; ++i) {
        connect(m_channelSliders[i], &QSlider::valueChanged, this, [this, i] { onChannelChanged(i); });
        connect(m_channelSteps[i], &StepToolbar::buttonClick, this,
                [this, i](const QString &key) { step(m_channelSliders[i], key); });
        connect(m_readButtons[i], &QPushButton::clicked, this, [this, i] { onReadClicked(i); });
    }
    connect(m_listButton, &QPushButton::clicked, this, &frmMain::onListClicked);
    connect(m_copyAction, &QAction::triggered, this, &frmMain::copyListing);
    connect(m_monitorCheck, &QCheckBox::clicked, this, &frmMain::onMonitorClicked);

    connect(m_firstSlider, &QSlider::valueChanged, this, &frmMain::onFirstChanged);
    connect(m_lastSlider, &QSlider::valueChanged, this, &frmMain::onLastChanged);
    connect(m_firstSteps, &StepToolbar::buttonClick, this, [this](const QString &key) { step(m_firstSlider, key); });
    connect(m_lastSteps, &StepToolbar::buttonClick, this, [this](const QString &key) { step(m_lastSlider, key); });
}

void frmMain::connectSession()
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

void frmMain::load()
{
    // Choosing Port1 opens the port and probes the box before anything else
    // goes to the wire; its outcome reaches the status box when it comes.
    m_portButtons[0]->click();
    for (int i = 0; i < kReaders; ++i) {
        m_channelSliders[i]->setValue(1);
        m_readButtons[i]->setText(QStringLiteral("Read Channel 1"));
    }
    m_lastSlider->setValue(m_lastSlider->maximum());
    m_exitButton->setFocus();
}

void frmMain::onChannelChanged(int reader)
{
    const int channel = m_channelSliders[reader]->value();
    m_readButtons[reader]->setText(QStringLiteral("Read Channel %1").arg(channel));
    m_session.setMonitoredChannel(reader, channel);
}

void frmMain::onFirstChanged()
{
    m_firstLabel->setText(QString::number(m_firstSlider->value()));
    updateListCaption();
}

void frmMain::onLastChanged()
{
    m_lastLabel->setText(QString::number(m_lastSlider->value()));
    updateListCaption();
}

void frmMain::updateListCaption()
{
    m_listButton->setText(QStringLiteral("List Ch %1-%2").arg(m_firstSlider->value()).arg(m_lastSlider->value()));
}

void frmMain::onPortClicked(int index)
{
    m_session.choosePort(index + 1);
}

void frmMain::refreshPortToolTips()
{
    const QStringList tips = m_portTips.tips();
    for (int i = 0; i < kPorts; ++i)
        m_portButtons[i]->setToolTip(tips.value(i));
}

// Which device a port button opens can change whenever an adapter is
// plugged in or out, so its tool tip is looked up again when it is shown.
bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        for (int i = 0; i < kPorts; ++i) {
            if (watched == m_portButtons[i])
                m_portButtons[i]->setToolTip(m_portTips.tip(i + 1));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyInk();
    QMainWindow::changeEvent(event);
}

void frmMain::applyInk()
{
    m_stepIcons = ImageList(inkFor(palette()));
    for (StepToolbar *steps : m_channelSteps)
        steps->setImages(m_stepIcons);
    m_firstSteps->setImages(m_stepIcons);
    m_lastSteps->setImages(m_stepIcons);
    if (m_monitorStopped)
        setTextColour(m_monitorLabel, inkFor(palette()));
}

// The selected lines, or every line when none is selected, one per line:
// ready to paste into a spreadsheet or a mail.
void frmMain::copyListing()
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

void frmMain::onReadClicked(int reader)
{
    m_session.readChannel(reader, m_channelSliders[reader]->value());
}

// A range that does not rise is refused here, at once: the message needs no
// box and holds up nothing on the link.
void frmMain::onListClicked()
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

void frmMain::onMonitorClicked()
{
    if (m_monitorCheck->isChecked()) {
        m_monitorStopped = false;
        setTextColour(m_monitorLabel, Qt::red);
        m_session.startMonitoring();
    } else {
        m_monitorStopped = true;
        setTextColour(m_monitorLabel, inkFor(palette()));
        m_session.stopMonitoring();
    }
}

void frmMain::showStatus(Status status)
{
    m_statusBox->setText(statusText(status));
    // A message longer than the box shows its beginning, not its end.
    m_statusBox->setCursorPosition(0);
}

void frmMain::report(Status status)
{
    showStatus(status);
    if (statusBeeps(status))
        m_platform.beep();
}

void frmMain::showRead(int reader, std::optional<int> level)
{
    const Status status = level ? Status::ReadAccepted : Status::NoResponse;
    showStatus(status);
    m_levelBoxes[reader]->setText(level ? QString::number(*level) : QString());
    if (statusBeeps(status))
        m_platform.beep();
}

void frmMain::showListing(const Listing &listing)
{
    showStatus(listing.status);
    if (listing.list == Listing::List::Keep)
        return;
    // One batch: a 256-line listing repaints once, not line by line.
    m_levelList->setUpdatesEnabled(false);
    m_levelList->clear();
    m_levelList->addItems(listingLines(listing));
    m_levelList->setUpdatesEnabled(true);
}

void frmMain::onExitClicked()
{
    endProgram(/*closeHelpFirst=*/false);
}

void frmMain::onExitChosen()
{
    endProgram(/*closeHelpFirst=*/true);
}

void frmMain::endProgram(bool closeHelpFirst)
{
    m_session.shutDown();
    if (closeHelpFirst) {
        delete m_help;
        delete m_liveChannels;
    }
    hide();
    m_platform.endProgram();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing by the window frame is File > Exit.
    event->accept();
    onExitChosen();
}

void frmMain::onHelpChosen()
{
    if (!m_help)
        m_help = new fHelp();
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void frmMain::onLiveChannelsChosen()
{
    if (!m_liveChannels)
        m_liveChannels = new LiveChannelsWindow(m_session, m_platform);
    m_liveChannels->show();
    m_liveChannels->raise();
    m_liveChannels->activateWindow();
}
