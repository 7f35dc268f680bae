#include "ola_send_control.h"

#include "live_fetch.h"
#include "picture_relay.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

namespace {

QSpinBox *spinBox(const QString &name, const QString &accessibleName, int lowest, int highest, int value,
                  QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setRange(lowest, highest);
    box->setValue(value);
    return box;
}

QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

OlaSendControl::OlaSendControl(LiveFetch &fetch, QWidget *parent)
    : QWidget(parent)
    , m_fetch(fetch)
{
    m_send = new QCheckBox(QStringLiteral("Send to OLA universe"), this);
    m_send->setObjectName(QStringLiteral("chkSendToOla"));
    m_universe = spinBox(QStringLiteral("spnOlaUniverse"), QStringLiteral("OLA universe"), 0,
                         std::numeric_limits<int>::max(), 1, this);
    m_priority = spinBox(QStringLiteral("spnOlaPriority"), QStringLiteral("OLA priority"), 0, OlaFeed::kHighestPriority,
                         OlaFeed::kDefaultPriority, this);
    m_port = spinBox(QStringLiteral("spnOlaPort"), QStringLiteral("olad port"), 1, 65535, OlaFeed::kDefaultServerPort,
                     this);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("lblOla"));
    m_state->setTextFormat(Qt::PlainText);
    m_state->setWordWrap(true); // the patching advice is long; the window stays narrow

    auto *row = new QHBoxLayout;
    row->addWidget(m_send);
    row->addWidget(m_universe);
    row->addWidget(buddyLabel(QStringLiteral("priority"), m_priority, this));
    row->addWidget(m_priority);
    row->addWidget(buddyLabel(QStringLiteral("olad port"), m_port, this));
    row->addWidget(m_port);
    row->addStretch(1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addWidget(m_state);

    m_feed.setPriority(m_priority->value());
    connect(m_send, &QCheckBox::toggled, this, &OlaSendControl::restart);
    connect(m_universe, &QSpinBox::valueChanged, this, [this] {
        if (m_feed.started())
            restart();
    });
    connect(m_priority, &QSpinBox::valueChanged, &m_feed, &OlaFeed::setPriority);
    connect(m_port, &QSpinBox::valueChanged, this, [this](int port) {
        m_feed.setServerPort(quint16(port));
        if (m_feed.started())
            restart();
        emit serverPortChanged(quint16(port));
    });
    connect(&m_feed, &OlaFeed::stateChanged, this, &OlaSendControl::showState);
    connect(&m_feed, &OlaFeed::universeChanged, this, &OlaSendControl::showState);
    connect(&m_feed, &OlaFeed::otherSourceChanged, this, &OlaSendControl::showState);
    showState();
}

OlaSendControl::~OlaSendControl() = default;

unsigned int OlaSendControl::universe() const
{
    return unsigned(m_universe->value());
}

void OlaSendControl::setServerPort(quint16 port)
{
    m_port->setValue(port);
}

quint16 OlaSendControl::serverPort() const
{
    return quint16(m_port->value());
}

void OlaSendControl::setPriority(int priority)
{
    m_priority->setValue(priority);
}

int OlaSendControl::priority() const
{
    return m_priority->value();
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
        m_relay->relayLatest();
    }
    showState();
}

void OlaSendControl::showState()
{
    const QString olad = QStringLiteral("127.0.0.1:%1").arg(m_feed.serverPort());
    const unsigned int universe = m_feed.universe();
    QString text;
    switch (m_feed.state()) {
    case OlaFeed::State::Off:
        break;
    case OlaFeed::State::Waiting:
        text = QStringLiteral("OLA: waiting for olad on %1").arg(olad);
        break;
    case OlaFeed::State::Asking:
        text = QStringLiteral("OLA: asking olad on %1 for universe %2").arg(olad).arg(universe);
        break;
    case OlaFeed::State::Silent:
        text = QStringLiteral("OLA: %1 does not answer as olad does").arg(olad);
        break;
    case OlaFeed::State::Unpatched:
        text = patchAdvice(m_feed.universeInfo()); // "OLA universe 7 has no output port ..."
        break;
    case OlaFeed::State::Connected:
        text = QStringLiteral("OLA: universe %1 found: %2; no good picture sent yet")
                   .arg(universe)
                   .arg(universeSummary(m_feed.universeInfo()));
        break;
    case OlaFeed::State::Feeding:
        text = QStringLiteral("OLA: feeding universe %1: %2").arg(universe).arg(universeSummary(m_feed.universeInfo()));
        if (m_feed.otherSource() == SourceWatch::Other::Wins)
            text += QStringLiteral("; another source at priority %1 wins").arg(m_feed.otherPriority());
        else if (m_feed.otherSource() == SourceWatch::Other::Merged)
            text += QStringLiteral("; another source is merged with it");
        break;
    case OlaFeed::State::Lost:
        text = QStringLiteral("OLA: olad went away");
        break;
    }
    m_state->setText(text);
    // An empty line would take the grid's room.
    m_state->setVisible(!text.isEmpty());
}
