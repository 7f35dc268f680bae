#pragma once

#include "live_fetch.h"
#include "platform.h"

#include <QTimer>
#include <QWidget>

class BoxSession;
class CompareControl;
class HeartbeatControl;
class HistoryPlot;
class HoldControl;
class LevelGrid;
class LineReportButton;
class LiveGridKeys;
class OlaSendControl;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class RecordControl;
class RecordingPlayer;

// Modeless, top-level window with the whole range of channels, live. It
// fetches while open and not paused, and stops the moment it is closed or
// paused. It deletes itself when closed, so holders keep it in a QPointer.
class LiveChannelsWindow : public QWidget {
    Q_OBJECT
public:
    LiveChannelsWindow(BoxSession &session, Platform platform, QWidget *parent = nullptr);
    ~LiveChannelsWindow() override;

    LiveFetch &fetch() { return m_fetch; }
    RecordingPlayer &player() { return *m_player; }

    // The CSV of the picture on screen now, the line's or a recording's.
    QString snapshotText() const;
    void copySnapshot();
    // Asks for a file and writes the picture of the moment of asking to it.
    void saveSnapshot();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void onRangeChanged();
    void onPauseClicked();
    void onFormatChosen();
    void writeSnapshot(const QString &path, const QString &text);
    void showPicture();
    void showStatusLine();
    void showHistory();
    void onTick();
    // What the operator set up last time, kept in the "LiveChannels" group of
    // the program's settings.
    void restoreSettings();
    void saveSettings() const;

    Platform m_platform;
    LiveFetch m_fetch;
    QTimer m_tick;

    QSpinBox *m_firstBox = nullptr;
    QSpinBox *m_lastBox = nullptr;
    QComboBox *m_formatBox = nullptr;
    QPushButton *m_pauseButton = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    LevelGrid *m_grid = nullptr;
    LiveGridKeys *m_keys = nullptr;
    QLabel *m_gridNote = nullptr;
    QLabel *m_statusLine = nullptr;
    HistoryPlot *m_plot = nullptr;
    OlaSendControl *m_ola = nullptr;
    CompareControl *m_compare = nullptr;
    RecordControl *m_record = nullptr;
    RecordingPlayer *m_player = nullptr;
    HoldControl *m_hold = nullptr;
    LineReportButton *m_report = nullptr;
    HeartbeatControl *m_heartbeat = nullptr;
    QString m_snapshotFolder;
};
