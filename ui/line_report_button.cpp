#include "line_report_button.h"

#include "line_report_dialog.h"
#include "live_report.h"

LineReportButton::LineReportButton(LiveFetch &fetch, RecordingPlayer &player, Platform platform, QWidget *parent)
    : QPushButton(QStringLiteral("Line Report…"), parent)
    , m_live(new LiveReport(fetch, 1, LiveFetch::kChannels, LineTally::kDefaultSpikeThreshold, this))
    , m_player(player)
    , m_platform(std::move(platform))
{
    setObjectName(QStringLiteral("cmdLineReport"));
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &LineReportButton::openReport);
}

void LineReportButton::openReport()
{
    if (!m_dialog)
        m_dialog = new LineReportDialog(*m_live, m_player, m_platform, window());
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}
