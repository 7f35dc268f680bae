#include "qt_serial_port.h"

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
    // The line may have hung up in the notification that brought this.
    if (!m_port.isOpen())
        return;
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

// The lock goes only once the port is closed: nobody else may come in
// while our descriptor is still on the line.
void QtSerialPort::closePort()
{
    if (m_port.isOpen())
        m_port.close();
    m_lock.release();
}

bool QtSerialPort::close()
{
    closePort();
    m_waiting.clear();
    return !m_port.isOpen();
}

QString QtSerialPort::deviceName() const
{
    return m_deviceName;
}

bool QtSerialPort::open(const QString &device, const LineSettings &settings)
{
    if (m_port.isOpen())
        close();
    m_deviceName = device;
    m_openError.clear();
    if (device.isEmpty()) {
        m_openError = QStringLiteral("no such device");
        return false;
    }
    if (!m_lock.take(device, m_openError))
        return false;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_openError = causeOfOpenFault();
        m_lock.release();
        return false;
    }
    if (!applySettings(settings)) {
        m_openError = QStringLiteral("the device refuses the line settings 115200,n,8,1");
        closePort();
        return false;
    }
    return true;
}

// The lock has already looked at the device; what is left is mostly a lock
// file of a program that is not ours.
QString QtSerialPort::causeOfOpenFault() const
{
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("no such device");
    case QSerialPort::PermissionError:
        if (m_port.errorString().contains(QLatin1String("lock"), Qt::CaseInsensitive))
            return QStringLiteral("held by another program (it keeps a lock file)");
        return QStringLiteral("permission denied; join the dialout group "
                              "(sudo usermod -aG dialout $USER) and log in again");
    default:
        return m_port.errorString();
    }
}

bool QtSerialPort::applySettings(const LineSettings &settings)
{
    const bool lineOk = m_port.setBaudRate(settings.baudRate) && m_port.setParity(settings.parity)
        && m_port.setDataBits(settings.dataBits) && m_port.setStopBits(settings.stopBits)
        && m_port.setFlowControl(settings.flowControl);
    // A pseudo-terminal has no modem lines and refuses DTR/RTS; that is no
    // reason to refuse the port.
    m_port.setDataTerminalReady(settings.dataTerminalReady);
    if (settings.flowControl != QSerialPort::HardwareControl)
        m_port.setRequestToSend(settings.requestToSend);
    m_port.clearError();
    return lineOk;
}

bool QtSerialPort::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    // Handed to the driver now, not on the event loop's next turn: whatever
    // the caller does next (a program printing the last picture) happens
    // while the command is on its way.
    m_writing = true;
    const bool taken = m_port.write(bytes) == bytes.size();
    m_port.flush();
    m_writing = false;
    return taken && m_port.isOpen();
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

QByteArray QtSerialPort::read(int maxLength)
{
    if (!m_port.isOpen())
        return {};
    const int length = maxLength > 0 ? std::min(maxLength, int(m_waiting.size())) : int(m_waiting.size());
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
    closePort();
    m_waiting.clear();
    // A write that found the line dead returns first: its caller is in the
    // middle of sending and hears of the loss from the event loop.
    if (m_writing)
        QMetaObject::invokeMethod(this, [this] { emit lost(); }, Qt::QueuedConnection);
    else
        emit lost();
}
