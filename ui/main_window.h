#pragma once

#include "help_window.h"
#include "image_list.h"
#include "live_channels_window.h"
#include "listing.h"
#include "platform.h"
#include "port_tips.h"
#include "status_text.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <optional>

class BoxSession;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class StepToolbar;

// The monitor's main window: the port choice, the five channel readers, the
// range listing and continuous monitoring. It only draws: it reads the
// sliders when it asks the session for something, and shows what the
// session's reports bring. The controls carry the names of the layout
// tables as their object names.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kReaders = 5;
    static constexpr int kPorts = 4;

    MainWindow(BoxSession &session, Platform platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs once before the window is first shown: chooses Port1 (which opens
    // it and probes the box) and puts the selectors in their start positions.
    void load();

    HelpWindow *helpWindow() const { return m_help; }
    LiveChannelsWindow *liveChannelsWindow() const { return m_liveChannels; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void buildMenu();
    void buildTabOrder();
    void connectControls();
    void connectSession();

    void onPortClicked(int index);
    void onExitClicked();
    void onExitChosen();
    void onHelpChosen();
    void onLiveChannelsChosen();
    // Closes the port and ends the program, whatever is still pending.
    void endProgram(bool closeHelpFirst);

    void onChannelChanged(int reader);
    void onFirstChanged();
    void onLastChanged();
    void updateListCaption();
    void showReadCaption(int reader, int channel);
    void showRangeEnd(QLabel *label, const QString &end, int channel);
    void onReadClicked(int reader);
    void onListClicked();
    void onMonitorSwitched(bool on);

    static void setTextColour(QLabel *label, const QColor &colour);
    void applyInk();
    void refreshPortToolTips();
    void copyListing();
    void showStatus(Status status);
    void report(Status status);
    void showRead(int reader, std::optional<int> level);
    void showListing(const Listing &listing);

    BoxSession &m_session;
    Platform m_platform;
    PortTips m_portTips;
    ImageList m_stepIcons;
    QPointer<HelpWindow> m_help;
    QPointer<LiveChannelsWindow> m_liveChannels;

    QMenu *m_fileMenu = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_helpAction = nullptr;
    QAction *m_copyAction = nullptr;
    // The monitoring caption: the desktop's tool-tip colour until the first
    // switch, then red while monitoring and ink once stopped.
    enum class Caption { AsStarted, Monitoring, Stopped };
    Caption m_caption = Caption::AsStarted;
    QAction *m_liveChannelsAction = nullptr;

    QLineEdit *m_statusBox = nullptr;
    std::array<QRadioButton *, kPorts> m_portButtons{};
    std::array<QLineEdit *, kReaders> m_levelBoxes{};
    std::array<QSlider *, kReaders> m_channelSliders{};
    std::array<StepToolbar *, kReaders> m_channelSteps{};
    std::array<QPushButton *, kReaders> m_readButtons{};
    QCheckBox *m_monitorCheck = nullptr;
    QLabel *m_monitorLabel = nullptr;
    QSlider *m_firstSlider = nullptr;
    StepToolbar *m_firstSteps = nullptr;
    QLabel *m_firstLabel = nullptr;
    QSlider *m_lastSlider = nullptr;
    StepToolbar *m_lastSteps = nullptr;
    QLabel *m_lastLabel = nullptr;
    QPushButton *m_listButton = nullptr;
    QListWidget *m_levelList = nullptr;
    QPushButton *m_exitButton = nullptr;
};
