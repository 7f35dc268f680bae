#include "ola_send_control.h"

#include "live_fetch.h"
#include "picture_relay.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <limits>

OlaSendControl::OlaSendControl(LiveFetch &fetch, QWidget *parent)
    : QWidget(parent)
    , m_fetch(fetch)
{
    m_send = new QCheckBox(QStringLiteral("Send to OLA universe"), this);
    m_send->setObjectName(QStringLiteral("chkSendToOla"));
    m_universe = new QSpinBox(this);
    m_universe->setObjectName(QStringLiteral("spnOlaUniverse"));
    m_universe->setAccessibleName(QStringLiteral("OLA universe"));
    m_universe->setRange(0, std::numeric_limits<int>::max());
    m_universe->setValue(1);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("lblOla"));
    m_state->setTextFormat(Qt::PlainText);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_send);
    row->addWidget(m_universe);
    row->addWidget(m_state, 1);

    connect(m_send, &QCheckBox::toggled, this, &OlaSendControl::restart);
    connect(m_universe, &QSpinBox::valueChanged, this, [this] {
        if (m_feed.started())
            restart();
    });
    connect(&m_feed, &OlaFeed::stateChanged, this, &OlaSendControl::showState);
}

OlaSendControl::~OlaSendControl() = default;

unsigned int OlaSendControl::universe() const
{
    return unsigned(m_universe->value());
}

void OlaSendControl::setServerPort(quint16 port)
{
    m_feed.setServerPort(port);
    if (m_feed.started())
        restart();
}

// The feed takes a new universe only when started again.
void OlaSendControl::restart()
{
    m_relay.reset();
    m_feed.stop();
    if (m_send->isChecked()) {
        m_feed.setUniverse(unsigned(m_universe->value()));
        m_feed.start();
        m_relay = std::make_unique<PictureRelay>(m_fetch, m_feed);
        // The universe takes the picture on screen now rather than at the
        // next good one.
        if (const QByteArray levels = m_fetch.answeredRun(); !levels.isEmpty())
            m_feed.send(m_fetch.pictureFirst(), levels);
    }
    showState();
}

void OlaSendControl::showState()
{
    const QString olad = QStringLiteral("127.0.0.1:%1").arg(m_feed.serverPort());
    switch (m_feed.state()) {
    case OlaFeed::State::Off:
        m_state->clear();
        return;
    case OlaFeed::State::Waiting:
        m_state->setText(QStringLiteral("OLA: waiting for olad on %1").arg(olad));
        return;
    case OlaFeed::State::Connected:
        m_state->setText(QStringLiteral("OLA: olad on %1 answers; no good picture sent yet").arg(olad));
        return;
    case OlaFeed::State::Feeding:
        m_state->setText(QStringLiteral("OLA: feeding universe %1").arg(m_feed.universe()));
        return;
    case OlaFeed::State::Lost:
        m_state->setText(QStringLiteral("OLA: olad went away"));
        return;
    }
}
