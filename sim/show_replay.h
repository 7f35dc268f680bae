#pragma once

#include "recording.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class SimBox;

// Plays a recorded take as the box's levels: each picture becomes the box's
// levels at its moment in the take, counted from start(). After the last
// picture the box holds it, or, looping, the take starts again once the
// last picture has been held as long as it was recorded. Channels the take
// does not hold stay at 0.
class ShowReplay : public QObject {
    Q_OBJECT
public:
    ShowReplay(SimBox &box, Recording recording, bool loop, QObject *parent = nullptr);

    void start();
    // The picture the box shows now; -1 before start().
    int picture() const { return m_picture; }
    int rounds() const { return m_rounds; }

signals:
    void pictureShown(int picture);

private:
    void showDue();
    void show(int picture);

    SimBox &m_box;
    Recording m_recording;
    bool m_loop = false;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_roundStart = 0; // ms on m_clock at which the current round began
    int m_picture = -1;
    int m_rounds = 0;
};
