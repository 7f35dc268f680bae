#include "sim_port.h"

#include <QTimer>
#include <algorithm>

namespace {
QString withBytes(const char *operation, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString::fromLatin1(operation);
    return QString::fromLatin1(operation) + u' ' + QString::fromLatin1(bytes.toHex(' '));
}
} // namespace

SimPort::SimPort(SessionClock &clock, QObject *parent)
    : SerialPort(parent)
    , m_wire(clock)
{
    connect(&m_wire, &AnswerQueue::due, this, &SimPort::arrive);
}

bool SimPort::isOpen() const
{
    return m_open && !m_unplugged;
}

bool SimPort::close()
{
    const bool wasOpen = isOpen();
    m_open = false;
    dropLine();
    record(wasOpen ? QStringLiteral("close") : QStringLiteral("close failed"));
    return wasOpen;
}

bool SimPort::open(const QString &device, const LineSettings &settings)
{
    m_deviceName = device;
    m_settings = settings;
    if (m_openFails || m_unplugged) {
        record(QStringLiteral("open failed"));
        return false;
    }
    m_open = true;
    record(QStringLiteral("open %1").arg(device));
    return true;
}

bool SimPort::write(const QByteArray &bytes)
{
    if (!isOpen()) {
        record(QStringLiteral("write failed"));
        return false;
    }
    record(withBytes("write", bytes));
    m_written.append(bytes);
    const auto scripted = m_scripts.constFind(bytes);
    if (scripted != m_scripts.constEnd()) {
        putOnWire(scripted->reply, scripted->delay, scripted->byteGap);
    } else if (const QByteArray answer = m_box.feed(bytes); !answer.isEmpty()) {
        m_wire.push(answer, m_box.faults().answerDelay);
    }
    emit wrote(bytes);
    return true;
}

int SimPort::bytesWaiting() const
{
    if (!isOpen())
        return 0;
    const int count = int(std::min<qsizetype>(m_received.size(), kMaxCount));
    if (!m_afterNextCount.isEmpty()) {
        m_received.append(m_afterNextCount);
        m_afterNextCount.clear();
        // The driver tells the host about the late bytes only once it gets
        // back to its event loop, never in the middle of the count.
        auto *self = const_cast<SimPort *>(this);
        QTimer::singleShot(0, self, [self] {
            if (self->isOpen())
                emit self->bytesArrived();
        });
    }
    return count;
}

bool SimPort::discardWaiting()
{
    if (!isOpen()) {
        record(QStringLiteral("discard failed"));
        return false;
    }
    m_received.clear();
    record(QStringLiteral("discard"));
    return true;
}

QByteArray SimPort::read(int maxLength)
{
    m_lastReadLength = maxLength;
    if (!isOpen()) {
        record(QStringLiteral("read failed"));
        return {};
    }
    const qsizetype length = maxLength > 0 ? std::min<qsizetype>(maxLength, m_received.size())
                                           : m_received.size();
    const QByteArray bytes = m_received.left(length);
    m_received.remove(0, length);
    record(withBytes("read", bytes));
    return bytes;
}

void SimPort::unplug()
{
    const bool wasOpen = isOpen();
    m_unplugged = true;
    m_open = false;
    dropLine();
    if (wasOpen)
        emit lost();
}

void SimPort::injectFromBox(const QByteArray &bytes, std::chrono::milliseconds delay,
                            std::chrono::milliseconds byteGap)
{
    putOnWire(bytes, delay, byteGap);
}

void SimPort::putOnWire(const QByteArray &bytes, std::chrono::milliseconds delay, std::chrono::milliseconds byteGap)
{
    if (byteGap.count() == 0) {
        m_wire.push(bytes, delay);
        return;
    }
    for (int i = 0; i < bytes.size(); ++i)
        m_wire.push(bytes.mid(i, 1), delay + byteGap * i);
}

void SimPort::script(const QByteArray &command, const QByteArray &reply, std::chrono::milliseconds delay,
                     std::chrono::milliseconds byteGap)
{
    m_scripts.insert(command, Scripted{reply, delay, byteGap});
}

void SimPort::arrive(const QByteArray &bytes)
{
    if (!isOpen())
        return;
    m_received.append(bytes);
    emit bytesArrived();
}

void SimPort::dropLine()
{
    m_wire.clear();
    m_received.clear();
    m_afterNextCount.clear();
}
