#include "frm_main.h"

#include "channel_read.h"
#include "f_help.h"
#include "monitoring.h"
#include "port_setup.h"
#include "range_listing.h"
#include "step_toolbar.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

frmMain::frmMain(std::unique_ptr<SerialPort> port, Platform platform, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(std::move(platform))
    , m_link(std::move(port))
{
    setObjectName(QStringLiteral("frmMain"));
    timMonitor.setInterval(kMonitorInterval);
    timMonitor.setTimerType(Qt::PreciseTimer);
    buildLayout();
    buildMenu();
    buildTabOrder();
    connectHandlers();
}

frmMain::~frmMain()
{
    delete m_help;
}

void frmMain::connectHandlers()
{
    for (int i = 0; i < kPorts; ++i)
        connect(OptSerial[i], &QRadioButton::clicked, this, [this, i] { OptSerial_Click(i); });
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuHelp, &QAction::triggered, this, &frmMain::mnuHelp_Click);

    for (int i = 0; i < kReaders; ++i) {
        connect(sldDMXChannel[i], &QSlider::valueChanged, this, [this, i] { sldDMXChannel_Change(i); });
        connect(Toolbar1[i], &StepToolbar::buttonClick, this,
                [this, i](const QString &key) { Toolbar1_ButtonClick(i, key); });
        connect(cmdReadChannel[i], &QPushButton::clicked, this, [this, i] { cmdReadChannel_Click(i); });
    }
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(ChkContinuousMonitor, &QCheckBox::clicked, this, &frmMain::ChkContinuousMonitor_Click);
    connect(&timMonitor, &QTimer::timeout, this, &frmMain::timMonitor_Timer);

    connect(sldDMXLow, &QSlider::valueChanged, this, &frmMain::sldDMXLow_Change);
    connect(sldDMXHigh, &QSlider::valueChanged, this, &frmMain::sldDMXHigh_Change);
    connect(ToolbarLow, &StepToolbar::buttonClick, this, &frmMain::ToolbarLow_ButtonClick);
    connect(ToolbarHigh, &StepToolbar::buttonClick, this, &frmMain::ToolbarHigh_ButtonClick);
}

void frmMain::Form_Load()
{
    // Selecting Port1 opens the port and probes the box before anything else.
    OptSerial[0]->click();
    for (int i = 0; i < kReaders; ++i) {
        sldDMXChannel[i]->setValue(1);
        cmdReadChannel[i]->setText(QStringLiteral("Read Channel 1"));
    }
    sldDMXHigh->setValue(sldDMXHigh->maximum());
    cmdExit->setFocus();
}

namespace {

// The slider's own change handling brings the captions up to date; a step
// against an end leaves the value, and so every caption, as it was.
void step(QSlider *slider, const QString &key)
{
    slider->setValue(steppedValue(slider->value(), key, slider->minimum(), slider->maximum()));
}

} // namespace

void frmMain::sldDMXChannel_Change(int Index)
{
    cmdReadChannel[Index]->setText(QStringLiteral("Read Channel %1").arg(sldDMXChannel[Index]->value()));
}

void frmMain::sldDMXLow_Change()
{
    lblLow->setText(QString::number(sldDMXLow->value()));
    UpdateListCaption();
}

void frmMain::sldDMXHigh_Change()
{
    lblHigh->setText(QString::number(sldDMXHigh->value()));
    UpdateListCaption();
}

void frmMain::UpdateListCaption()
{
    Command1->setText(QStringLiteral("List Ch %1-%2").arg(sldDMXLow->value()).arg(sldDMXHigh->value()));
}

void frmMain::Toolbar1_ButtonClick(int Index, const QString &key)
{
    step(sldDMXChannel[Index], key);
}

void frmMain::ToolbarLow_ButtonClick(const QString &key)
{
    step(sldDMXLow, key);
}

void frmMain::ToolbarHigh_ButtonClick(const QString &key)
{
    step(sldDMXHigh, key);
}

void frmMain::cmdReadChannel_Click(int Index)
{
    m_queue.run(kRead + Index, [this, Index] {
        showRead(Index, readChannel(m_link, sldDMXChannel[Index]->value(), /*discardFirst=*/false));
    });
}

void frmMain::showRead(int Index, std::optional<int> level)
{
    const Status status = level ? Status::ReadAccepted : Status::NoResponse;
    showStatus(status);
    txtChannel0Level[Index]->setText(level ? QString::number(*level) : QString());
    if (statusBeeps(status))
        m_platform.beep();
}

void frmMain::Command1_Click()
{
    m_queue.run(kListing, [this] {
        const int high = sldDMXHigh->value();
        const int low = sldDMXLow->value();
        if (high <= low) {
            m_platform.messageBox(this, QStringLiteral("The upper channel value must be higher than the lower channel value."),
                                  QStringLiteral("Channel Range Error"));
            return;
        }
        showListing(low, high);
    });
}

void frmMain::showListing(int low, int high)
{
    const Listing listing = listRange(m_link, low, high);
    showStatus(listing.status);
    if (listing.list == Listing::List::Keep)
        return;
    // One batch: a 256-line listing repaints once, not line by line.
    lstLevel->setUpdatesEnabled(false);
    lstLevel->clear();
    lstLevel->addItems(listing.lines);
    lstLevel->setUpdatesEnabled(true);
}

void frmMain::ChkContinuousMonitor_Click()
{
    if (ChkContinuousMonitor->isChecked()) {
        setTextColour(lblMonitoring, Qt::red);
        bStopMonitoring = false;
        timMonitor.start();
    } else {
        setTextColour(lblMonitoring, Qt::black);
        timMonitor.stop();
        bStopMonitoring = true;
    }
}

void frmMain::timMonitor_Timer()
{
    // No tick while a pass waits its turn or runs; the pass re-arms the timer
    // at its end, so passes stand one interval apart from end to start.
    timMonitor.stop();
    m_queue.run(kMonitorPass, [this] { runPass(); });
}

void frmMain::runPass()
{
    timMonitor.stop();
    monitoringPass(
        m_link, kReaders, [this](int slot) { return sldDMXChannel[slot]->value(); },
        [this](int slot, std::optional<int> level) { showRead(slot, level); });
    if (bStopMonitoring)
        bStopMonitoring = false;
    else
        timMonitor.start();
}

void frmMain::showStatus(Status status)
{
    txtMessageBox->setText(statusText(status));
    // A message longer than the box shows its beginning, not its end.
    txtMessageBox->setCursorPosition(0);
}

void frmMain::report(Status status)
{
    showStatus(status);
    if (statusBeeps(status))
        m_platform.beep();
}

void frmMain::OptSerial_Click(int Index)
{
    m_queue.run(kPortChoice + Index, [this, Index] { InitializeDMXTransceiver(Index + 1); });
}

void frmMain::InitializeDMXTransceiver(int iPort)
{
    setUpPortAndProbe(m_link, iPort, [this](Status status) { report(status); });
}

void frmMain::cmdExit_Click()
{
    endProgram(/*closeHelpFirst=*/false);
}

void frmMain::mnuExit_Click()
{
    endProgram(/*closeHelpFirst=*/true);
}

void frmMain::endProgram(bool closeHelpFirst)
{
    if (m_link.comDMXPort1().isOpen())
        m_link.comDMXPort1().close();
    if (closeHelpFirst)
        delete m_help;
    hide();
    m_platform.endProgram();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing by the window frame is File > Exit.
    event->accept();
    mnuExit_Click();
}

void frmMain::mnuHelp_Click()
{
    if (!m_help)
        m_help = new fHelp();
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}
