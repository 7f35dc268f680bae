#pragma once

#include "level_output.h"
#include "platform.h"
#include "recording.h"

#include <QDir>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <optional>

class HistoryPlot;
class QPointF;
class LevelGrid;
class LiveFetch;
class QLabel;
class QPushButton;
class QSlider;

// A channel of a take as the plot draws it: a level held until the next
// step, x in seconds into the take; empty for a channel the take lacks.
QVector<QPointF> stepPoints(const Recording &take, int channel);

// Looking back at a take: "Open Recording…" loads a show file into the Live
// Channels window's grid and plot in place of the line, with a time slider,
// play/pause, 1x/4x and a way back to the line. While a take is shown the
// window leaves the grid, the plot and the status line to it.
class RecordingPlayer : public QWidget {
    Q_OBJECT
public:
    // Play moves the slider on by this much (times the speed) each tick.
    static constexpr std::chrono::milliseconds kTick{40};
    static constexpr int kFastSpeed = 4;

    struct View {
        LevelGrid *grid = nullptr;
        HistoryPlot *plot = nullptr;
        QLabel *liveStatus = nullptr; // hidden while a take is shown
    };

    RecordingPlayer(View view, LiveFetch &pins, Platform platform, QWidget *parent);

    // The take's name, position and length; the window puts it under the grid.
    QLabel *timeLabel() const { return m_timeLabel; }
    // "Open Recording…", which the window puts among its actions: the
    // player's own row shows only while a take is shown.
    QPushButton *openButton() const { return m_openButton; }
    bool showing() const { return m_showing; }
    // The moment shown, in milliseconds into the take.
    qint64 position() const { return m_position; }
    const Recording &take() const { return m_take; }
    // The shown take's file name.
    QString takeName() const { return m_name; }

    // Asks for a show file; the dialog is opened, not executed.
    void chooseFile();
    // Shows universe `universe` of the take at `path` from its start. A
    // take of several universes, none chosen, asks which to show first (the
    // question is opened, not executed). A file that is not a whole show
    // file is refused with a message naming its line, and whatever was
    // shown stays.
    bool open(const QString &path, std::optional<unsigned int> universe = std::nullopt);
    // Where the file dialog starts: the folder of the last take opened.
    QString folder() const { return m_folder; }
    void setFolder(const QString &folder) { m_folder = folder; }
    // Back to the line.
    void goLive();
    // The picture at the slider: every channel of the take.
    QVector<ChannelLevel> pictureLevels() const;
    // One tick of play.
    void advance();

signals:
    void opened();
    void wentLive();
    // The grid shows the take at `ms` now.
    void moved(qint64 ms);

private:
    void seek(qint64 ms);
    void askUniverse(const QString &path, const QList<unsigned int> &universes);
    void showAt(qint64 ms);
    void showHistory();
    void setPlaying(bool playing);
    void setShowing(bool showing);

    View m_view;
    LiveFetch &m_pins;
    Platform m_platform;
    Recording m_take;
    QString m_name;
    QString m_folder = QDir::homePath();
    bool m_showing = false;
    int m_speed = 1;
    qint64 m_position = 0;
    qint64 m_msPerStep = 1;
    QTimer m_play;

    QPushButton *m_openButton = nullptr;
    QPushButton *m_playButton = nullptr;
    QPushButton *m_speedButton = nullptr;
    QSlider *m_slider = nullptr;
    QPushButton *m_liveButton = nullptr;
    QLabel *m_timeLabel = nullptr;
};
