#include "line_report_dialog.h"

#include "file_question.h"
#include "line_report_model.h"
#include "live_report.h"
#include "push_button.h"
#include "recording_player.h"
#include "report_output.h"
#include "snapshot_file.h"
#include "take_tally.h"

#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

LineReportDialog::LineReportDialog(LiveReport &live, RecordingPlayer &player, Platform platform, QWidget *parent)
    : QDialog(parent)
    , m_live(live)
    , m_player(player)
    , m_platform(std::move(platform))
{
    setObjectName(QStringLiteral("dlgLineReport"));
    setWindowTitle(QStringLiteral("Line Report — Lumivane MINI Monitor"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_model = new LineReportModel(this);
    auto *sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(m_model);
    sorted->setSortRole(LineReportModel::kSortRole);
    sorted->setDynamicSortFilter(true);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblLineReport"));
    m_table->setAccessibleName(QStringLiteral("Line report, a row a channel"));
    m_table->setModel(sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(LineReportModel::Channel, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_over = new QLabel(this);
    m_over->setObjectName(QStringLiteral("lblReportOver"));
    m_over->setTextFormat(Qt::PlainText);
    m_leftOut = new QLabel(this);
    m_leftOut->setObjectName(QStringLiteral("lblReportLeftOut"));
    m_leftOut->setTextFormat(Qt::PlainText);
    m_leftOut->setWordWrap(true);
    auto *save = pushButton(QStringLiteral("Save as CSV…"), QStringLiteral("cmdSaveReport"), this);
    m_restart = pushButton(QStringLiteral("Start Again"), QStringLiteral("cmdRestartReport"), this);
    auto *close = pushButton(QStringLiteral("Close"), QStringLiteral("cmdCloseReport"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(m_restart);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_over);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_leftOut);
    layout->addLayout(buttons);
    resize(780, 520);

    connect(save, &QPushButton::clicked, this, &LineReportDialog::chooseFile);
    connect(m_restart, &QPushButton::clicked, this, [this] {
        m_live.restart();
        refresh();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(&player, &RecordingPlayer::opened, this, &LineReportDialog::refresh);
    connect(&player, &RecordingPlayer::wentLive, this, &LineReportDialog::refresh);
    m_refresh.setInterval(kRefresh);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        if (!m_player.showing())
            refresh();
    });
    m_refresh.start();
    refresh();
}

void LineReportDialog::refresh()
{
    const bool take = m_player.showing();
    // A take's report is worked out anew when asked: an hour of a universe
    // takes a fraction of a second, and a take never grows.
    const LineTally tally = take ? tallyTake(m_player.take(), 1, LiveFetch::kChannels) : m_live.tally();
    m_model->setRows(tally.rows());
    if (take) {
        m_over->setText(QStringLiteral("%1: %2 pictures over %3 s")
                            .arg(m_player.takeName())
                            .arg(tally.pictures())
                            .arg(double(m_player.take().durationMs()) / 1000.0, 0, 'f', 1));
    } else {
        m_over->setText(QStringLiteral("The line: %1 pictures over %2 s")
                            .arg(tally.pictures())
                            .arg(double(m_live.elapsedMs()) / 1000.0, 0, 'f', 1));
    }
    const QVector<QPair<int, int>> unanswered = tally.unanswered();
    QString leftOut = unanswered.isEmpty() ? QString() : leftOutText(unanswered, take) + QStringLiteral(": left out.");
    if (!leftOut.isEmpty())
        leftOut[0] = leftOut[0].toUpper();
    m_leftOut->setText(leftOut);
    m_restart->setVisible(!take);
}

QByteArray LineReportDialog::csv() const
{
    return formatReport(OutputFormat::Csv, m_model->rows());
}

void LineReportDialog::chooseFile()
{
    const QString name = QStringLiteral("line-report-%1.csv")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    askForFile(this,
               {QStringLiteral("dlgSaveReport"), QStringLiteral("Save Line Report"), QDir::home().filePath(name),
                QStringLiteral("CSV files (*.csv);;All files (*)"), true, QStringLiteral("csv")},
               [this](const QString &path) { save(path); });
}

bool LineReportDialog::save(const QString &path)
{
    QString error;
    if (saveWholeFile(path, csv(), error))
        return true;
    m_platform.messageBox(this,
                          QStringLiteral("The report could not be saved to %1: %2")
                              .arg(QDir::toNativeSeparators(path), error),
                          QStringLiteral("Save Line Report"));
    return false;
}
