#pragma once

#include "exchange_queue.h"
#include "f_help.h"
#include "image_list.h"
#include "platform.h"
#include "status.h"
#include "transceiver_link.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class SerialPort;
class StepToolbar;

// The monitor's main window: the port choice, the five channel readers, the
// range listing and continuous monitoring. Its handlers stay thin: they read
// the sliders, call the link and the reading code, and write the results.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kReaders = 5;
    static constexpr int kPorts = 4;
    static constexpr std::chrono::milliseconds kMonitorInterval{120};

    frmMain(std::unique_ptr<SerialPort> port, Platform platform, QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs once before the window is first shown: opens Port1, probes the box
    // and puts the selectors in their start positions.
    void Form_Load();

    // Reopens port `iPort` (1-4) and probes the box.
    void InitializeDMXTransceiver(int iPort);

    TransceiverLink &link() { return m_link; }
    QTimer &monitorTimer() { return timMonitor; }
    fHelp *helpWindow() const { return m_help; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void buildMenu();
    void buildTabOrder();
    void connectHandlers();

    void OptSerial_Click(int Index);
    void cmdExit_Click();
    void mnuExit_Click();
    void mnuHelp_Click();
    // Closes the port and ends the program where it stands, also from inside
    // a wait on the box.
    void endProgram(bool closeHelpFirst);

    void sldDMXChannel_Change(int Index);
    void sldDMXLow_Change();
    void sldDMXHigh_Change();
    void UpdateListCaption();
    void Toolbar1_ButtonClick(int Index, const QString &key);
    void ToolbarLow_ButtonClick(const QString &key);
    void ToolbarHigh_ButtonClick(const QString &key);

    void cmdReadChannel_Click(int Index);
    void Command1_Click();
    void ChkContinuousMonitor_Click();
    void timMonitor_Timer();

    static void setTextColour(QLabel *label, const QColor &colour);
    void showStatus(Status status);
    void report(Status status);
    void showRead(int Index, std::optional<int> level);
    void showListing(int low, int high);
    void runPass();

    // Exchanges wait their turn: one at a time on the link.
    enum QueueKey { kPortChoice = 100, kRead = 200, kListing = 300, kMonitorPass = 400 };

    Platform m_platform;
    TransceiverLink m_link;
    ExchangeQueue m_queue;
    ImageList imlToolbarIcons;
    QTimer timMonitor;
    bool bStopMonitoring = false;
    QPointer<fHelp> m_help;

    QMenu *mnuFile = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuHelp = nullptr;

    std::array<QGroupBox *, 2> Frame1{};
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QListWidget *lstLevel = nullptr;
    QPushButton *cmdExit = nullptr;
    QLineEdit *txtMessageBox = nullptr;
    std::array<QRadioButton *, kPorts> OptSerial{};
    std::array<QLineEdit *, kReaders> txtChannel0Level{};
    std::array<QSlider *, kReaders> sldDMXChannel{};
    std::array<StepToolbar *, kReaders> Toolbar1{};
    std::array<QPushButton *, kReaders> cmdReadChannel{};
    QCheckBox *ChkContinuousMonitor = nullptr;
    QLabel *lblMonitoring = nullptr;
    QSlider *sldDMXLow = nullptr;
    std::array<QLabel *, 2> Label2{};
    StepToolbar *ToolbarLow = nullptr;
    QLabel *lblLow = nullptr;
    QPushButton *Command1 = nullptr;
    QSlider *sldDMXHigh = nullptr;
    StepToolbar *ToolbarHigh = nullptr;
    QLabel *lblHigh = nullptr;
};
