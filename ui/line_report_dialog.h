#pragma once

#include "platform.h"

#include <QDialog>
#include <QTimer>

class LineReportModel;
class LiveReport;
class QLabel;
class QPushButton;
class QTableView;
class RecordingPlayer;

// "Line Report": for every channel, how it moved over the live line since
// Live Channels opened (or since Start Again), or over the whole take the
// window shows; a table to sort by any column, and Save as CSV writes it as
// lumivane report does. Live figures come in once a second while it is open.
class LineReportDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kRefresh{1};

    LineReportDialog(LiveReport &live, RecordingPlayer &player, Platform platform, QWidget *parent);

    void refresh();
    // The table as lumivane report --format csv writes it.
    QByteArray csv() const;
    // Asks for a file, without waiting on the operator, and saves to it.
    void chooseFile();
    bool save(const QString &path);

private:
    LiveReport &m_live;
    RecordingPlayer &m_player;
    Platform m_platform;
    QTimer m_refresh;
    LineReportModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QLabel *m_over = nullptr;
    QLabel *m_leftOut = nullptr;
    QPushButton *m_restart = nullptr;
};
