#include "exchange.h"

Exchange::Exchange(SerialPort &port, std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_defaultTimeout(timeout)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeout);
    m_timeout.setTimerType(Qt::PreciseTimer);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (m_running)
            finish(m_port.bytesWaiting(), true);
    });
    connect(&m_port, &SerialPort::bytesArrived, this, &Exchange::onBytesArrived);
}

bool Exchange::start(const Request &request)
{
    m_request = request;
    m_portTrouble = false;
    if (request.discardFirst && !m_port.discardWaiting())
        m_portTrouble = true;
    if (m_portTrouble && request.stopOnPortFailure)
        return false;
    if (!m_port.write(request.command))
        m_portTrouble = true;
    if (m_portTrouble && request.stopOnPortFailure)
        return false;

    m_running = true;
    m_timeout.start(request.timeout.count() > 0 ? request.timeout : m_defaultTimeout);
    // Bytes already waiting (the probe does not empty the line) may be
    // enough; they are judged once control is back in the event loop.
    if (m_port.bytesWaiting() > request.threshold)
        QMetaObject::invokeMethod(this, &Exchange::onBytesArrived, Qt::QueuedConnection);
    return true;
}

void Exchange::onBytesArrived()
{
    if (!m_running)
        return;
    const int count = m_port.bytesWaiting();
    if (count > m_request.threshold)
        finish(count, false);
}

void Exchange::endNow()
{
    if (m_running)
        finish(0, false);
}

void Exchange::abandon()
{
    m_running = false;
    m_timeout.stop();
}

// Bytes that land between the count that ends the wait and the read are
// read with the answer but were not counted.
void Exchange::finish(int finalCount, bool timedOut)
{
    m_running = false;
    m_timeout.stop();
    Answer answer;
    answer.finalCount = finalCount;
    answer.timedOut = timedOut;
    answer.portFailed = m_portTrouble || !m_port.isOpen();
    answer.text = m_port.read(m_request.readLength);
    emit ended(answer);
}
