#include "live_channels_window.h"

#include "file_question.h"
#include "compare_control.h"
#include "heartbeat_banner.h"
#include "heartbeat_control.h"
#include "hold_control.h"
#include "line_report_button.h"
#include "history_plot.h"
#include "level_grid.h"
#include "live_grid_keys.h"
#include "live_status_text.h"
#include "ola_send_control.h"
#include "pin_colours.h"
#include "record_control.h"
#include "recording_player.h"
#include "snapshot_csv.h"
#include "snapshot_file.h"
#include "level_output.h"
#include "push_button.h"
#include "layout_tab_order.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The status line, the fading change marks and the plot move on at this
// pace even while no picture comes; the grid itself follows every picture.
constexpr std::chrono::milliseconds kTick{100};

// Beside the main window on a 1366-wide screen, and as tall as the screen
// lets it be, so that at least half the universe shows at once.
constexpr int kOpeningWidth = 577;

QSpinBox *channelBox(int value, const QString &name, const QString &spoken, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(spoken);
    box->setRange(1, LiveFetch::kChannels);
    box->setValue(value);
    return box;
}

} // namespace

LiveChannelsWindow::LiveChannelsWindow(BoxSession &session, Platform platform, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_platform(std::move(platform))
    , m_fetch(session)
{
    // As the main window does: a lost port is said once, not failed at.
    m_fetch.setWaitOutLostPort(true);
    setObjectName(QStringLiteral("frmLiveChannels"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Live Channels — Lumivane MINI Monitor"));
    setAccessibleName(windowTitle());
    m_snapshotFolder = QDir::homePath();
    buildControls();
    tabInLayoutOrder(layout());
    connectControls();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(std::max(kOpeningWidth, minimumSizeHint().width()), screen->availableGeometry().height() - 40);
    restoreSettings();
    // The Exit button ends the program with this window still open.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &LiveChannelsWindow::saveSettings);

    m_tick.setInterval(kTick);
    connect(&m_tick, &QTimer::timeout, this, &LiveChannelsWindow::onTick);
    m_tick.start();
    m_fetch.start();
    m_grid->setFocus();
}

// The tools hold on to the fetch: they go before it does.
LiveChannelsWindow::~LiveChannelsWindow()
{
    saveSettings();
    delete m_record;
    delete m_compare;
    delete m_ola;
}

void LiveChannelsWindow::buildControls()
{
    m_firstBox = channelBox(1, QStringLiteral("spnFirst"), QStringLiteral("First channel"), this);
    m_lastBox = channelBox(LiveFetch::kChannels, QStringLiteral("spnLast"), QStringLiteral("Last channel"), this);
    m_formatBox = new QComboBox(this);
    m_formatBox->setObjectName(QStringLiteral("cboFormat"));
    m_formatBox->setAccessibleName(QStringLiteral("Show"));
    m_formatBox->addItem(QStringLiteral("Decimal 0-255"), int(LevelFormat::Decimal));
    m_formatBox->addItem(QStringLiteral("Percent 0-100 %"), int(LevelFormat::Percent));
    m_formatBox->addItem(QStringLiteral("Hex 00-FF"), int(LevelFormat::Hex));
    m_pauseButton = pushButton(QStringLiteral("Pause"), QStringLiteral("cmdPause"), this);
    m_copyButton = pushButton(QStringLiteral("Copy"), QStringLiteral("cmdCopy"), this);
    m_saveButton = pushButton(QStringLiteral("Save Snapshot…"), QStringLiteral("cmdSaveSnapshot"), this);

    // Two rows, so that the window stays narrow enough to stand beside the
    // main window.
    auto *controls = new QHBoxLayout;
    auto *from = new QLabel(QStringLiteral("Channels"), this);
    from->setBuddy(m_firstBox);
    controls->addWidget(from);
    controls->addWidget(m_firstBox);
    controls->addWidget(new QLabel(QStringLiteral("to"), this));
    controls->addWidget(m_lastBox);
    controls->addSpacing(12);
    auto *show = new QLabel(QStringLiteral("Show"), this);
    show->setBuddy(m_formatBox);
    controls->addWidget(show);
    controls->addWidget(m_formatBox);
    controls->addStretch(1);
    auto *actions = new QHBoxLayout;
    actions->addStretch(1);
    actions->addWidget(m_pauseButton);
    actions->addWidget(m_copyButton);
    actions->addWidget(m_saveButton);

    // The 32 rows of the universe do not fit a laptop's screen at a size
    // that keeps the figures readable: the grid scrolls instead.
    m_grid = new LevelGrid(this);
    auto *gridView = new QScrollArea(this);
    gridView->setObjectName(QStringLiteral("scrLevels"));
    gridView->setAccessibleName(QStringLiteral("Channel levels"));
    gridView->setFocusPolicy(Qt::NoFocus); // the grid under it takes the keys
    gridView->setWidgetResizable(true);
    gridView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    gridView->setFrameShape(QFrame::NoFrame);
    gridView->setWidget(m_grid);
    gridView->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll the channel levels"));
    gridView->setMinimumWidth(m_grid->minimumSizeHint().width() + gridView->verticalScrollBar()->sizeHint().width());
    m_statusLine = new QLabel(this);
    m_statusLine->setWordWrap(true); // the window stays narrow beside the main window
    m_statusLine->setObjectName(QStringLiteral("lblLiveStatus"));
    // Its text is its name: a reader hears the rate and the failures.
    m_statusLine->setAccessibleDescription(QStringLiteral("Pictures and failures"));
    m_statusLine->setTextFormat(Qt::PlainText);
    m_statusLine->setToolTip(QStringLiteral(
        "Pictures a second count the pictures the box delivered over the serial line, not DMX frames. "
        "This box cannot measure the DMX frame rate, break and mark-after-break times, start codes, slot "
        "counts or RDM."));
    m_gridNote = new QLabel(this);
    m_gridNote->setObjectName(QStringLiteral("lblGridNote"));
    m_gridNote->setAccessibleDescription(QStringLiteral("Grid note"));
    m_gridNote->setWordWrap(true);
    m_gridNote->hide();
    m_keys = new LiveGridKeys(*m_grid, m_fetch, *m_gridNote);
    connect(m_grid, &LevelGrid::cursorMoved, gridView, [this, gridView](int channel) {
        const QRect cell = m_grid->channelRect(channel);
        gridView->ensureVisible(cell.center().x(), cell.center().y(), cell.width(), cell.height());
    });
    m_plot = new HistoryPlot(this);
    m_ola = new OlaSendControl(m_fetch, this);
    m_compare = new CompareControl(m_fetch, m_platform, this);
    m_record = new RecordControl(m_fetch, m_platform, this);
    // One universe for the window: a take plays back where the window sends.
    m_record->takeUniverseFrom([ola = m_ola] { return ola->universe(); });
    m_player = new RecordingPlayer({m_grid, m_plot, m_statusLine}, m_fetch, m_platform, this);
    m_hold = new HoldControl(*m_grid, m_fetch, *m_player, this);
    m_report = new LineReportButton(m_fetch, *m_player, m_platform, this);
    m_heartbeat = new HeartbeatControl(m_fetch, *m_player, this);
    // The grid's height is what the window is for: Hold goes beside the
    // range, and Open Recording among the actions.
    controls->addWidget(m_hold);
    actions->addWidget(m_report);
    actions->addWidget(m_player->openButton());

    auto *layout = new QVBoxLayout(this);
    // Rows a little closer than the style's: every pixel saved is the grid's.
    layout->setSpacing(4);
    layout->addLayout(controls);
    layout->addLayout(actions);
    layout->addWidget(m_player);
    layout->addWidget(m_heartbeat->banner());
    layout->addWidget(gridView, 1);
    layout->addWidget(m_gridNote);
    for (QWidget *tool : std::initializer_list<QWidget *>{m_compare, m_record, m_ola, m_heartbeat})
        layout->addWidget(tool);
    layout->addWidget(m_statusLine);
    layout->addWidget(m_player->timeLabel());
    layout->addWidget(m_plot);
}

void LiveChannelsWindow::connectControls()
{
    connect(m_firstBox, &QSpinBox::valueChanged, this, [this](int first) {
        if (m_lastBox->value() < first)
            m_lastBox->setValue(first);
        onRangeChanged();
    });
    connect(m_lastBox, &QSpinBox::valueChanged, this, [this](int last) {
        if (m_firstBox->value() > last)
            m_firstBox->setValue(last);
        onRangeChanged();
    });
    connect(m_formatBox, &QComboBox::currentIndexChanged, this, &LiveChannelsWindow::onFormatChosen);
    connect(m_pauseButton, &QPushButton::clicked, this, &LiveChannelsWindow::onPauseClicked);
    connect(m_copyButton, &QPushButton::clicked, this, &LiveChannelsWindow::copySnapshot);
    connect(m_saveButton, &QPushButton::clicked, this, &LiveChannelsWindow::saveSnapshot);
    connect(m_keys, &LiveGridKeys::nextFormatAsked, this,
            [this] { m_formatBox->setCurrentIndex((m_formatBox->currentIndex() + 1) % m_formatBox->count()); });
    // A recording on screen stands in for the line, which is not asked meanwhile.
    connect(m_player, &RecordingPlayer::opened, this, [this] {
        m_fetch.pause();
        m_pauseButton->setEnabled(false);
    });
    connect(m_player, &RecordingPlayer::wentLive, this, [this] {
        m_pauseButton->setEnabled(true);
        onPauseClicked();
        onTick();
    });
    // Queued: the next block goes to the wire first, and the picture is
    // drawn while it travels.
    connect(&m_fetch, &LiveFetch::updated, this, &LiveChannelsWindow::showPicture, Qt::QueuedConnection);
    connect(m_compare, &CompareControl::marksChanged, this, &LiveChannelsWindow::showPicture);
    // One olad for both: the port set for sending is the one compared with.
    m_compare->setOlaServerPort(m_ola->serverPort());
    connect(m_ola, &OlaSendControl::serverPortChanged, m_compare, &CompareControl::setOlaServerPort);
    connect(&m_fetch, &LiveFetch::pinsChanged, this, [this] {
        m_grid->setPins(m_fetch.pinned());
        showHistory();
    });

    auto *copy = new QAction(QStringLiteral("Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &LiveChannelsWindow::copySnapshot);
    auto *close = new QAction(QStringLiteral("Close"), this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addActions({copy, close});
}

void LiveChannelsWindow::onRangeChanged()
{
    m_fetch.setRange(m_firstBox->value(), m_lastBox->value());
}

void LiveChannelsWindow::onPauseClicked()
{
    if (m_fetch.running()) {
        m_fetch.pause();
        m_pauseButton->setText(QStringLiteral("Resume"));
    } else {
        m_fetch.start();
        m_pauseButton->setText(QStringLiteral("Pause"));
    }
    showPicture();
}

void LiveChannelsWindow::onFormatChosen()
{
    const auto format = LevelFormat(m_formatBox->currentData().toInt());
    m_grid->setFormat(format);
    m_plot->setFormat(format);
}

QString LiveChannelsWindow::snapshotText() const
{
    return QString::fromLatin1(formatLevels(
        OutputFormat::Csv, m_player->showing() ? m_player->pictureLevels() : m_fetch.pictureLevels()));
}

void LiveChannelsWindow::copySnapshot()
{
    QGuiApplication::clipboard()->setText(snapshotText());
}

// The dialog is opened, not executed: fetching and the main window's
// exchanges go on while the operator chooses a file.
void LiveChannelsWindow::saveSnapshot()
{
    const QString text = snapshotText();
    const QString name = QStringLiteral("live-channels-%1.csv")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    askForFile(this,
               {QStringLiteral("dlgSaveSnapshot"), QStringLiteral("Save Snapshot"),
                QDir(m_snapshotFolder).filePath(name), QStringLiteral("CSV files (*.csv);;All files (*)"), true,
                QStringLiteral("csv")},
               [this, text](const QString &path) { writeSnapshot(path, text); });
}

void LiveChannelsWindow::writeSnapshot(const QString &path, const QString &text)
{
    QString error;
    if (saveWholeFile(path, text.toUtf8(), error)) {
        m_snapshotFolder = QFileInfo(path).absolutePath();
        return;
    }
    m_platform.messageBox(this,
                          QStringLiteral("The snapshot could not be saved to %1: %2")
                              .arg(QDir::toNativeSeparators(path), error),
                          QStringLiteral("Save Snapshot"));
}

void LiveChannelsWindow::showPicture()
{
    if (m_player->showing())
        return;
    std::array<LevelGrid::Cell, LevelGrid::kChannels> cells;
    for (int channel = 1; channel <= LevelGrid::kChannels; ++channel) {
        LevelGrid::Cell &cell = cells[size_t(channel - 1)];
        cell.level = m_fetch.level(channel).value_or(-1);
        cell.changed = m_fetch.changedLately(channel);
        cell.differs = m_compare->differs(channel);
    }
    m_grid->setCells(cells);
    m_grid->setStale(m_fetch.stale());
}

void LiveChannelsWindow::showStatusLine()
{
    m_statusLine->setText(liveStatusText(m_fetch));
}

void LiveChannelsWindow::showHistory()
{
    if (m_player->showing())
        return;
    QVector<HistoryPlot::Series> series;
    const LiveFetch::Clock::time_point now = m_fetch.now();
    const QVector<int> pinned = m_fetch.pinned();
    for (int i = 0; i < pinned.size(); ++i) {
        HistoryPlot::Series line{pinned[i], pinColour(i), {}};
        const QVector<LiveFetch::Sample> samples = m_fetch.history(pinned[i]);
        line.points.reserve(samples.size());
        for (const LiveFetch::Sample &sample : samples)
            line.points << QPointF(std::chrono::duration<double>(sample.at - now).count(), sample.level);
        series << line;
    }
    m_plot->setSeries(series);
}

void LiveChannelsWindow::onTick()
{
    if (m_player->showing())
        return;
    showStatusLine();
    showHistory();
    // Change marks fade and a picture goes stale with no picture coming;
    // a stale picture is no longer compared.
    m_compare->compare();
    showPicture();
}

// Stops at once: the window itself goes only when control is back in the
// event loop, and no further block may be asked for meanwhile.
void LiveChannelsWindow::closeEvent(QCloseEvent *event)
{
    m_fetch.pause();
    m_tick.stop();
    QWidget::closeEvent(event);
}
