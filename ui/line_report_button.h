#pragma once

#include "platform.h"

#include <QPointer>
#include <QPushButton>

class LineReportDialog;
class LiveFetch;
class LiveReport;
class RecordingPlayer;

// "Line Report…": keeps the report of the live line from the moment Live
// Channels opens, so that it covers the whole run when asked, and opens it
// (or the take's) in a window of its own beside the grid.
class LineReportButton : public QPushButton {
    Q_OBJECT
public:
    LineReportButton(LiveFetch &fetch, RecordingPlayer &player, Platform platform, QWidget *parent);

    void openReport();

private:
    LiveReport *m_live = nullptr;
    RecordingPlayer &m_player;
    Platform m_platform;
    QPointer<LineReportDialog> m_dialog;
};
