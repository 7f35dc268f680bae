#pragma once

#include "line_tally.h"
#include "picture.h"

#include <QWidget>
#include <chrono>

class LevelGrid;
class LiveFetch;
class QPushButton;
class RecordingPlayer;
struct PictureOutcome;

// The flicker finder. Hold (or Ctrl+H) starts watching every channel from
// the picture on screen, and from then on each cell shows how its channel
// moved: up only, down only, moved and came back, or never moved. Reset
// starts again from the picture on screen. It works the same on a take
// shown in the window, from the slider's position on.
class HoldControl : public QWidget {
    Q_OBJECT
public:
    HoldControl(LevelGrid &grid, LiveFetch &fetch, RecordingPlayer &player, QWidget *parent = nullptr);

    bool holding() const;
    void setHolding(bool holding);
    // From the picture on screen again.
    void restart();

private:
    void onPicture(const PictureOutcome &outcome);
    void onMoved(qint64 ms);
    void showMarks();

    LevelGrid &m_grid;
    LiveFetch &m_fetch;
    RecordingPlayer &m_player;
    LineTally m_tally;
    Picture m_onScreen; // the live picture the grid shows
    std::chrono::steady_clock::time_point m_since;
    int m_heldFrom = 0; // a take's pictures fed so far: from..to
    int m_heldTo = 0;
    QPushButton *m_hold = nullptr;
    QPushButton *m_reset = nullptr;
};
