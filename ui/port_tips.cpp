#include "port_tips.h"

#include "port_mapping.h"

void PortTips::noteOpen(int port, const QString &cause)
{
    if (cause.isEmpty())
        m_causes.remove(port);
    else
        m_causes.insert(port, cause);
}

QString PortTips::tip(int port) const
{
    return withCause(portToolTip(port), m_causes.value(port));
}

QStringList PortTips::tips() const
{
    QStringList tips = portToolTips();
    for (int i = 0; i < tips.size(); ++i)
        tips[i] = withCause(tips[i], m_causes.value(i + 1));
    return tips;
}

QString PortTips::withCause(const QString &tip, const QString &cause)
{
    if (cause.isEmpty())
        return tip;
    return QStringLiteral("%1\nNot opened: %2").arg(tip, cause);
}
