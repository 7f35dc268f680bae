#include "transceiver_link.h"

#include <QCoreApplication>
#include <QEventLoop>

TransceiverLink::TransceiverLink(std::unique_ptr<SerialPort> port, QObject *parent)
    : QObject(parent)
    , m_port(std::move(port))
{
    m_tmrCommsTimeout.setInterval(kResponseTimeout);
    m_tmrCommsTimeout.setTimerType(Qt::PreciseTimer);
    connect(&m_tmrCommsTimeout, &QTimer::timeout, this, &TransceiverLink::tmrCommsTimeout_Timer);
}

TransceiverLink::~TransceiverLink() = default;

void TransceiverLink::tmrCommsTimeout_Timer()
{
    m_tmrCommsTimeout.stop();
}

Answer TransceiverLink::exchange(const Exchange &request)
{
    Answer answer;
    if (request.discardFirst && !m_port->discardWaiting()) {
        answer.portFailed = true;
        if (request.stopOnPortFailure)
            return answer;
    }
    if (!m_port->write(request.command)) {
        answer.portFailed = true;
        if (request.stopOnPortFailure)
            return answer;
    }

    // start() always begins a fresh interval, also when an earlier exchange
    // left the time-out armed.
    m_tmrCommsTimeout.start();

    // Each cycle hands control to the event loop, which sleeps until something
    // happens (a byte, the time-out's tick, a click), then judges the count
    // and the flag again. Nothing spins while the box is silent.
    int count = 0;
    bool armed = true;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (request.countBeforeFlag) {
            count = m_port->bytesWaiting();
            armed = m_tmrCommsTimeout.isActive();
        } else {
            armed = m_tmrCommsTimeout.isActive();
            count = m_port->bytesWaiting();
        }
    } while (count <= request.threshold && armed);
    answer.finalCount = count;

    if (!m_port->isOpen()) {
        answer.portFailed = true;
        if (request.stopOnPortFailure)
            return answer;
    }
    if (request.readLength >= 0)
        m_port->setReadLength(request.readLength);
    answer.text = m_port->read();
    return answer;
}
