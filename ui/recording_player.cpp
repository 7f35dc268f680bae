#include "recording_player.h"

#include "file_question.h"
#include "history_plot.h"
#include "level_grid.h"
#include "live_fetch.h"
#include "pin_colours.h"
#include "push_button.h"
#include "show_format.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QSlider>
#include <array>
#include <limits>

namespace {

// 00:12.400: minutes, seconds and milliseconds into the take.
QString timeText(qint64 ms)
{
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

const QString kOpenTitle = QStringLiteral("Open Recording");

QString speedText(int speed)
{
    return QStringLiteral("%1×").arg(speed);
}

QString spokenSpeed(int speed)
{
    return QStringLiteral("Playing speed %1").arg(speedText(speed));
}

} // namespace

QVector<QPointF> stepPoints(const Recording &take, int channel)
{
    QVector<QPointF> points;
    const QVector<Recording::Sample> samples = take.series(channel);
    points.reserve(samples.size() * 2 + 1);
    for (const Recording::Sample &sample : samples) {
        if (!points.isEmpty())
            points << QPointF(double(sample.ms) / 1000.0, points.constLast().y());
        points << QPointF(double(sample.ms) / 1000.0, sample.level);
    }
    if (!points.isEmpty())
        points << QPointF(double(take.durationMs()) / 1000.0, points.constLast().y());
    return points;
}

RecordingPlayer::RecordingPlayer(View view, LiveFetch &pins, Platform platform, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
    , m_pins(pins)
    , m_platform(std::move(platform))
{
    m_openButton = pushButton(QStringLiteral("Open Recording…"), QStringLiteral("cmdOpenRecording"), this);
    m_playButton = pushButton(QStringLiteral("Play"), QStringLiteral("cmdPlayPause"), this);
    m_speedButton = pushButton(speedText(1), QStringLiteral("cmdSpeed"), this);
    m_speedButton->setAccessibleName(spokenSpeed(1));
    m_liveButton = pushButton(QStringLiteral("Live"), QStringLiteral("cmdLive"), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("sldRecordingTime"));
    m_slider->setAccessibleName(QStringLiteral("Moment of the recording"));
    m_timeLabel = new QLabel(this);
    m_timeLabel->setObjectName(QStringLiteral("lblRecordingTime"));
    m_timeLabel->setTextFormat(Qt::PlainText);
    m_timeLabel->hide();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_playButton);
    layout->addWidget(m_speedButton);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_liveButton);
    layout->addStretch(0);
    setShowing(false);

    m_play.setInterval(kTick);
    m_play.setTimerType(Qt::PreciseTimer);
    connect(&m_play, &QTimer::timeout, this, &RecordingPlayer::advance);
    connect(m_openButton, &QPushButton::clicked, this, &RecordingPlayer::chooseFile);
    connect(m_playButton, &QPushButton::clicked, this, [this] { setPlaying(!m_play.isActive()); });
    connect(m_speedButton, &QPushButton::clicked, this, [this] {
        m_speed = m_speed == 1 ? kFastSpeed : 1;
        m_speedButton->setText(speedText(m_speed));
        m_speedButton->setAccessibleName(spokenSpeed(m_speed));
    });
    connect(m_liveButton, &QPushButton::clicked, this, &RecordingPlayer::goLive);
    connect(m_slider, &QSlider::valueChanged, this, [this](int step) {
        seek(std::min(qint64(step) * m_msPerStep, m_take.durationMs()));
    });
    connect(&m_pins, &LiveFetch::pinsChanged, this, [this] {
        if (m_showing)
            showHistory();
    });
}

void RecordingPlayer::seek(qint64 ms)
{
    m_position = ms;
    showAt(ms);
}

void RecordingPlayer::chooseFile()
{
    askForFile(this,
               {QStringLiteral("dlgOpenRecording"), kOpenTitle, m_folder,
                QStringLiteral("Show files (*.show);;All files (*)"), false, QString()},
               [this](const QString &path) { open(path); });
}

bool RecordingPlayer::open(const QString &path, std::optional<unsigned int> universe)
{
    Recording take;
    QString error;
    if (!loadShow(path, take, error, universe)) {
        m_platform.messageBox(window(), QStringLiteral("The recording could not be opened: %1").arg(error),
                              kOpenTitle);
        return false;
    }
    const bool several = take.universesInFile().size() > 1;
    if (several && !universe) {
        askUniverse(path, take.universesInFile());
        return true;
    }
    setPlaying(false);
    m_take = std::move(take);
    m_name = several ? QStringLiteral("%1 (universe %2)").arg(QFileInfo(path).fileName()).arg(m_take.universe())
                     : QFileInfo(path).fileName();
    m_folder = QFileInfo(path).absolutePath();
    // A step of the slider is a millisecond, or as many as it takes for the
    // slider's int to reach the end of a take of weeks.
    const qint64 length = m_take.durationMs();
    const qint64 steps = std::numeric_limits<int>::max();
    m_msPerStep = std::max<qint64>(1, (length + steps - 1) / steps);
    m_position = 0;
    const QSignalBlocker quiet(m_slider);
    m_slider->setRange(0, int((length + m_msPerStep - 1) / m_msPerStep));
    m_slider->setValue(0);
    m_slider->setPageStep(1000);
    m_slider->setSingleStep(100);
    m_view.plot->showTake(double(m_take.durationMs()) / 1000.0);
    setShowing(true);
    emit opened();
    showHistory();
    showAt(0);
    return true;
}

void RecordingPlayer::askUniverse(const QString &path, const QList<unsigned int> &universes)
{
    QStringList items;
    for (const unsigned int universe : universes)
        items << QStringLiteral("Universe %1").arg(universe);
    auto *question = new QInputDialog(window());
    question->setObjectName(QStringLiteral("dlgRecordingUniverse"));
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowTitle(kOpenTitle);
    question->setLabelText(QStringLiteral("%1 holds %2. Show:")
                               .arg(QFileInfo(path).fileName(), show_format::universeNames(universes)));
    question->setComboBoxItems(items);
    question->setComboBoxEditable(false);
    connect(question, &QInputDialog::textValueSelected, this, [this, path, universes, items](const QString &item) {
        if (const qsizetype chosen = items.indexOf(item); chosen >= 0)
            open(path, universes[chosen]);
    });
    question->open();
}

void RecordingPlayer::goLive()
{
    if (!m_showing)
        return;
    setPlaying(false);
    m_take = Recording(); // an hour of a universe is tens of megabytes
    m_view.plot->showLastMinute();
    setShowing(false);
    emit wentLive();
}

QVector<ChannelLevel> RecordingPlayer::pictureLevels() const
{
    return channelLevels(m_take.first(), m_take.levelsAt(position()));
}

void RecordingPlayer::advance()
{
    const qint64 next = std::min(m_position + kTick.count() * m_speed, m_take.durationMs());
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(next == m_take.durationMs() ? m_slider->maximum() : int(next / m_msPerStep));
    }
    seek(next);
    if (next >= m_take.durationMs())
        setPlaying(false);
}

// Only the grid's cells, the plot's mark and the label: the slider may move
// on every mouse move over an hour's take.
void RecordingPlayer::showAt(qint64 ms)
{
    if (!m_showing)
        return;
    const QByteArray now = m_take.levelsAt(ms);
    const QByteArray before = m_take.levelsAt(ms - std::chrono::milliseconds(LiveFetch::kChangeShownFor).count());
    std::array<LevelGrid::Cell, LevelGrid::kChannels> cells;
    for (int i = 0; i < now.size(); ++i) {
        LevelGrid::Cell &cell = cells[size_t(m_take.first() - 1 + i)];
        cell.level = quint8(now[i]);
        cell.changed = now[i] != before[i];
    }
    m_view.grid->setCells(cells);
    m_view.plot->setCursor(double(ms) / 1000.0);
    m_timeLabel->setText(
        QStringLiteral("%1 %2 / %3").arg(m_name, timeText(ms), timeText(m_take.durationMs())));
    emit moved(ms);
}

// The pinned channels over the whole take, as steps.
void RecordingPlayer::showHistory()
{
    QVector<HistoryPlot::Series> series;
    const QVector<int> pinned = m_pins.pinned();
    for (int i = 0; i < pinned.size(); ++i) {
        series << HistoryPlot::Series{pinned[i], pinColour(i), stepPoints(m_take, pinned[i])};
    }
    m_view.plot->setSeries(series);
}

void RecordingPlayer::setPlaying(bool playing)
{
    if (playing && m_position >= m_take.durationMs()) { // Play at the end plays the take again
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(0);
        seek(0);
    }
    if (playing)
        m_play.start();
    else
        m_play.stop();
    m_playButton->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

void RecordingPlayer::setShowing(bool showing)
{
    m_showing = showing;
    setVisible(showing);
    m_timeLabel->setVisible(showing);
    m_view.liveStatus->setVisible(!showing);
}
