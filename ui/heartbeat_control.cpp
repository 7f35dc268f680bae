#include "heartbeat_control.h"

#include "heartbeat_banner.h"
#include "recording_player.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace {

qint64 msOf(LiveFetch::Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

} // namespace

HeartbeatControl::HeartbeatControl(LiveFetch &fetch, RecordingPlayer &player, QWidget *parent)
    : QWidget(parent)
    , m_fetch(fetch)
    , m_player(player)
{
    m_channel = new QSpinBox(this);
    m_channel->setObjectName(QStringLiteral("spnHeartbeat"));
    m_channel->setAccessibleName(QStringLiteral("Heartbeat channel"));
    m_channel->setRange(0, LiveFetch::kChannels);
    m_channel->setSpecialValueText(QStringLiteral("off"));
    m_stillAfter = new QSpinBox(this);
    m_stillAfter->setObjectName(QStringLiteral("spnStillAfter"));
    m_stillAfter->setAccessibleName(QStringLiteral("Heartbeat still after, seconds"));
    m_stillAfter->setRange(1, 3600);
    m_stillAfter->setSuffix(QStringLiteral(" s"));
    m_stillAfter->setValue(int(std::chrono::seconds(HeartbeatWatch::kDefaultStillAfter).count()));
    m_banner = new HeartbeatBanner(parent);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto *heartbeat = new QLabel(QStringLiteral("Heartbeat channel"), this);
    heartbeat->setBuddy(m_channel);
    row->addWidget(heartbeat);
    row->addWidget(m_channel);
    auto *still = new QLabel(QStringLiteral("still after"), this);
    still->setBuddy(m_stillAfter);
    row->addWidget(still);
    row->addWidget(m_stillAfter);
    row->addStretch(1);

    connect(m_channel, &QSpinBox::valueChanged, this, &HeartbeatControl::restart);
    connect(m_stillAfter, &QSpinBox::valueChanged, this, &HeartbeatControl::restart);
    connect(&fetch, &LiveFetch::pictureEnded, this, &HeartbeatControl::onPicture);
    connect(&player, &RecordingPlayer::opened, this, &HeartbeatControl::restart);
    connect(&player, &RecordingPlayer::wentLive, this, &HeartbeatControl::restart);
}

int HeartbeatControl::channel() const
{
    return m_channel->value();
}

void HeartbeatControl::setChannel(int channel)
{
    m_channel->setValue(channel);
}

int HeartbeatControl::stillAfterSeconds() const
{
    return m_stillAfter->value();
}

void HeartbeatControl::setStillAfterSeconds(int seconds)
{
    m_stillAfter->setValue(seconds);
}

void HeartbeatControl::restart()
{
    m_watch = HeartbeatWatch(std::chrono::seconds(m_stillAfter->value()));
    m_lastPicture.reset();
    m_banner->withdraw();
}

// Pictures that stop for longer than the fetch calls stale (a pause, a
// link gone quiet) say nothing of the desk: stillness is not counted across.
void HeartbeatControl::onPicture(const PictureOutcome &outcome)
{
    const int channel = m_channel->value();
    if (channel == 0 || m_player.showing())
        return;
    const LiveFetch::Clock::time_point now = m_fetch.now();
    if (m_lastPicture && now - *m_lastPicture > LiveFetch::kStaleAfter)
        m_watch.interrupt();
    m_lastPicture = now;
    switch (m_watch.take(msOf(now), outcome.picture.level(channel))) {
    case HeartbeatWatch::News::Froze:
        m_banner->raiseWith(HeartbeatWatch::frozenText(channel, m_watch.stillAfter()));
        break;
    case HeartbeatWatch::News::Moved:
        m_banner->withdraw();
        break;
    case HeartbeatWatch::News::None:
        break;
    }
}
