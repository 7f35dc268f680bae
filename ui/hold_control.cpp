#include "hold_control.h"

#include "level_grid.h"
#include "live_fetch.h"
#include "push_button.h"
#include "recording_player.h"
#include "take_tally.h"

#include <QAction>
#include <QHBoxLayout>
#include <algorithm>
#include <array>

HoldControl::HoldControl(LevelGrid &grid, LiveFetch &fetch, RecordingPlayer &player, QWidget *parent)
    : QWidget(parent)
    , m_grid(grid)
    , m_fetch(fetch)
    , m_player(player)
    , m_tally(1, LevelGrid::kChannels)
{
    m_hold = pushButton(QStringLiteral("Hold"), QStringLiteral("cmdHold"), this);
    m_hold->setCheckable(true);
    m_hold->setToolTip(QStringLiteral("Show how each channel moves from now on (Ctrl+H)"));
    m_reset = pushButton(QStringLiteral("Reset"), QStringLiteral("cmdResetHold"), this);
    m_reset->setAccessibleName(QStringLiteral("Reset the hold"));
    m_reset->setEnabled(false);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_hold);
    row->addWidget(m_reset);

    auto *key = new QAction(QStringLiteral("Hold"), this);
    key->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    key->setShortcutContext(Qt::WindowShortcut);
    addAction(key);
    connect(key, &QAction::triggered, m_hold, &QPushButton::click);
    connect(m_hold, &QPushButton::toggled, this, &HoldControl::setHolding);
    connect(m_reset, &QPushButton::clicked, this, &HoldControl::restart);
    connect(&fetch, &LiveFetch::pictureEnded, this, &HoldControl::onPicture);
    connect(&player, &RecordingPlayer::moved, this, &HoldControl::onMoved);
    // A take opened, or the line again: the hold goes on from what is shown.
    connect(&player, &RecordingPlayer::opened, this, &HoldControl::restart);
    connect(&player, &RecordingPlayer::wentLive, this, [this] {
        m_onScreen = Picture();
        restart();
    });
}

bool HoldControl::holding() const
{
    return m_hold->isChecked();
}

void HoldControl::setHolding(bool holding)
{
    if (m_hold->isChecked() != holding) {
        m_hold->setChecked(holding); // comes back here through toggled()
        return;
    }
    m_reset->setEnabled(holding);
    if (!holding) {
        m_grid.clearHolds();
        return;
    }
    restart();
}

void HoldControl::restart()
{
    if (!holding())
        return;
    m_tally.clear();
    m_since = m_fetch.now();
    if (m_player.showing()) {
        m_heldFrom = m_player.take().pictureAt(m_player.position());
        m_heldTo = m_heldFrom;
        addTake(m_tally, m_player.take(), m_heldFrom, m_heldTo);
    } else if (!m_onScreen.levels().isEmpty()) {
        m_tally.add(0, m_onScreen);
    }
    showMarks();
}

void HoldControl::onPicture(const PictureOutcome &outcome)
{
    if (outcome.good)
        m_onScreen = outcome.picture;
    if (!holding() || m_player.showing())
        return;
    m_tally.add(std::chrono::duration_cast<std::chrono::milliseconds>(m_fetch.now() - m_since).count(),
                outcome.picture);
    showMarks();
}

// Forward through the take, only the pictures passed are added; back before
// the last one added, the hold is taken again from its start.
void HoldControl::onMoved(qint64 ms)
{
    if (!holding())
        return;
    const Recording &take = m_player.take();
    const int to = std::max(take.pictureAt(ms), m_heldFrom);
    if (to < m_heldTo) {
        m_tally.clear();
        addTake(m_tally, take, m_heldFrom, to);
    } else if (to > m_heldTo) {
        addTake(m_tally, take, m_heldTo + 1, to);
    }
    m_heldTo = to;
    showMarks();
}

void HoldControl::showMarks()
{
    std::array<LevelGrid::Held, LevelGrid::kChannels> holds;
    for (int channel = 1; channel <= LevelGrid::kChannels; ++channel) {
        const std::optional<ChannelFigures> figures = m_tally.figures(channel);
        if (!figures)
            continue;
        holds[size_t(channel - 1)] = {true, figures->motion, figures->lowest, figures->highest, figures->changes};
    }
    m_grid.setHolds(holds);
}
