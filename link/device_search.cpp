#include "device_search.h"

#include <QFileInfo>

DeviceSearch::DeviceSearch(QObject *parent)
    : QObject(parent)
{
    m_present = [](const QString &device) { return QFileInfo::exists(device); };
    m_timer.setInterval(kInterval);
    connect(&m_timer, &QTimer::timeout, this, &DeviceSearch::look);
}

void DeviceSearch::remember(const QString &device, const QString &stableName)
{
    m_device = device;
    m_stableName = stableName;
}

void DeviceSearch::look()
{
    QString there;
    if (!m_device.isEmpty() && m_present(m_device))
        there = m_device;
    else if (!m_stableName.isEmpty() && m_present(m_stableName))
        there = m_stableName;
    if (there.isEmpty())
        return;
    m_timer.stop();
    emit found(there);
}
