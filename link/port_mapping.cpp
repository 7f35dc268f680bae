#include "port_mapping.h"

#include <QtGlobal>

QString portDeviceName(int port)
{
    const QByteArray variable = "LUMIVANE_PORT" + QByteArray::number(port);
    const QString chosen = qEnvironmentVariable(variable.constData());
    if (!chosen.isEmpty())
        return chosen;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}
