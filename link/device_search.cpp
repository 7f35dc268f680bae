#include "device_search.h"

#include <QFileInfo>

DeviceSearch::DeviceSearch(QObject *parent)
    : QObject(parent)
{
    m_present = [](const QString &device) { return QFileInfo::exists(device); };
    m_timer.setInterval(kInterval);
    connect(&m_timer, &QTimer::timeout, this, &DeviceSearch::look);
}

void DeviceSearch::look()
{
    if (!m_present(m_name))
        return;
    m_timer.stop();
    emit found(m_name);
}
