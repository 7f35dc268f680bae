#include "qt_serial_port.h"

#include "port_mapping.h"

#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

QtSerialPort::QtSerialPort(QObject *parent)
    : SerialPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::takeArrivals);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

void QtSerialPort::takeArrivals()
{
    // Emptying QSerialPort's own buffer at every arrival keeps a chattering
    // line from piling up memory while no exchange reads it.
    const QByteArray arrived = m_port.readAll();
    m_waiting.append(arrived.left(kMaxWaiting - m_waiting.size()));
    emit bytesArrived();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_waiting.clear();
    return !m_port.isOpen();
}

void QtSerialPort::setPortNumber(int port)
{
    m_portNumber = port;
    m_deviceName.clear();
}

void QtSerialPort::setDeviceName(const QString &device)
{
    m_deviceName = device;
}

QString QtSerialPort::deviceName() const
{
    if (m_port.isOpen())
        return m_openedName;
    return m_deviceName.isEmpty() ? portDeviceName(m_portNumber) : m_deviceName;
}

void QtSerialPort::configure(const LineSettings &settings)
{
    m_settings = settings;
    if (m_port.isOpen())
        applySettings();
}

void QtSerialPort::setReadLength(int length)
{
    m_readLength = std::max(0, length);
}

bool QtSerialPort::open()
{
    if (m_port.isOpen())
        return true;
    m_openedName = m_deviceName.isEmpty() ? portDeviceName(m_portNumber) : m_deviceName;
    m_port.setPortName(m_openedName);
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    if (!applySettings()) {
        m_port.close();
        return false;
    }
    return true;
}

bool QtSerialPort::applySettings()
{
    const bool lineOk = m_port.setBaudRate(m_settings.baudRate) && m_port.setParity(m_settings.parity)
        && m_port.setDataBits(m_settings.dataBits) && m_port.setStopBits(m_settings.stopBits)
        && m_port.setFlowControl(m_settings.flowControl);
    // A pseudo-terminal has no modem lines and refuses DTR/RTS; that is no
    // reason to refuse the port.
    m_port.setDataTerminalReady(m_settings.dataTerminalReady);
    if (m_settings.flowControl != QSerialPort::HardwareControl)
        m_port.setRequestToSend(m_settings.requestToSend);
    m_port.clearError();
    return lineOk;
}

bool QtSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    return m_port.write(bytes) == bytes.size();
}

int QtSerialPort::bytesWaiting() const
{
    if (!m_port.isOpen())
        return 0;
    return int(m_waiting.size());
}

bool QtSerialPort::discardWaiting()
{
    if (!m_port.isOpen())
        return false;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    m_waiting.clear();
    return true;
}

QByteArray QtSerialPort::read()
{
    if (!m_port.isOpen())
        return {};
    const int length = m_readLength > 0 ? std::min(m_readLength, int(m_waiting.size())) : int(m_waiting.size());
    const QByteArray taken = m_waiting.left(length);
    m_waiting.remove(0, length);
    return taken;
}

// A line that hangs up (adapter pulled out, pty's far end closed) keeps the
// descriptor readable for ever: every read gives nothing but an error, and
// QSerialPort would go on asking. Whether it is a hang-up or a passing
// error, the descriptor's own state tells.
bool QtSerialPort::lineHungUp(QSerialPort::SerialPortError error) const
{
    if (error == QSerialPort::ResourceError)
        return true;
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError && error != QSerialPort::UnknownError)
        return false;
#ifdef Q_OS_UNIX
    pollfd line{int(m_port.handle()), POLLIN, 0};
    return ::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return false;
#endif
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || !lineHungUp(error))
        return;
    // Closed at once, and so reported once: no notifier stays on the dead line.
    m_port.close();
    m_waiting.clear();
    emit lost();
}
