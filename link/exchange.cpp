#include "exchange.h"

#include <algorithm>

Exchange::Exchange(SerialPort &port, std::chrono::milliseconds timeout, SessionClock &clock, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_clock(clock)
    , m_timeout(clock.timer(this))
    , m_quiet(clock.timer(this))
    , m_defaultTimeout(timeout)
{
    connect(m_timeout, &SessionTimer::timeout, this, [this] {
        if (m_running)
            finish(m_port.bytesWaiting(), true);
    });
    connect(m_quiet, &SessionTimer::timeout, this, &Exchange::onQuietEnough);
    connect(&m_port, &SerialPort::bytesArrived, this, &Exchange::onBytesArrived);
}

bool Exchange::start(const Request &request)
{
    m_request = request;
    if (m_quietOwed) {
        m_port.discardWaiting();
        beginQuiet(kQuietTime, kMaxQuietWait);
    } else if (request.quietFirst) {
        // A line that is quiet already is left untouched.
        if (m_port.bytesWaiting() > 0)
            m_port.discardWaiting();
        beginQuiet(kOpenQuietTime, kOpenMaxQuietWait);
    } else {
        return send();
    }
    return true;
}

void Exchange::beginQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds atMost)
{
    m_quieting = true;
    m_quietTime = quiet;
    m_maxQuietWait = atMost;
    m_quietSince = m_clock.now();
    m_quiet->start(quiet);
}

bool Exchange::send()
{
    m_portTrouble = false;
    if (m_request.discardFirst && !m_port.discardWaiting())
        m_portTrouble = true;
    if (m_portTrouble && m_request.stopOnPortFailure)
        return false;
    for (const char byte : std::as_const(m_request.leadIn)) {
        if (!m_port.write(QByteArray(1, byte)))
            m_portTrouble = true;
    }
    if (!m_port.write(m_request.command))
        m_portTrouble = true;
    if (m_portTrouble && m_request.stopOnPortFailure)
        return false;

    m_running = true;
    m_timeout->start(m_request.timeout.count() > 0 ? m_request.timeout : m_defaultTimeout);
    // Bytes already waiting (the probe does not empty the line) may be
    // enough; they are judged once control is back in the event loop.
    if (m_port.bytesWaiting() > m_request.threshold)
        QMetaObject::invokeMethod(this, &Exchange::onBytesArrived, Qt::QueuedConnection);
    return true;
}

void Exchange::onBytesArrived()
{
    if (m_quieting) {
        m_port.discardWaiting();
        const auto quietFor = std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.now() - m_quietSince);
        const auto left = m_maxQuietWait - quietFor;
        m_quiet->start(std::clamp(left, std::chrono::milliseconds{0}, m_quietTime));
        return;
    }
    if (!m_running)
        return;
    const int count = m_port.bytesWaiting();
    if (count > m_request.threshold)
        finish(count, false);
}

void Exchange::onQuietEnough()
{
    if (!m_quieting)
        return;
    m_quieting = false;
    m_quietOwed = false;
    if (send())
        return;
    Answer answer;
    answer.portFailed = true;
    emit ended(answer);
}

void Exchange::endNow()
{
    if (m_quieting) {
        abandon();
        Answer answer;
        answer.portFailed = true;
        emit ended(answer);
        return;
    }
    if (m_running)
        finish(0, false);
}

void Exchange::abandon()
{
    m_running = false;
    m_quieting = false;
    m_timeout->stop();
    m_quiet->stop();
}

// Bytes that land between the count that ends the wait and the read are
// read with the answer but were not counted.
void Exchange::finish(int finalCount, bool timedOut)
{
    m_running = false;
    m_timeout->stop();
    m_quietOwed = m_quietOwed || timedOut;
    Answer answer;
    answer.finalCount = finalCount;
    answer.timedOut = timedOut;
    answer.portFailed = m_portTrouble || !m_port.isOpen();
    answer.text = m_port.read(m_request.readLength);
    emit ended(answer);
}
