#include "device_search.h"

#include <QFileInfo>

DeviceSearch::DeviceSearch(SessionClock &clock, QObject *parent)
    : QObject(parent)
    , m_timer(clock.timer(this))
{
    m_present = [](const QString &device) { return QFileInfo::exists(device); };
    connect(m_timer, &SessionTimer::timeout, this, &DeviceSearch::look);
}

void DeviceSearch::look()
{
    if (!m_present(m_name)) {
        m_timer->start(kInterval);
        return;
    }
    emit found(m_name);
}
