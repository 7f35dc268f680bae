#include "universe_info.h"

QString universeSummary(const UniverseInfo &info)
{
    QStringList parts{QStringLiteral("\"%1\"").arg(info.name),
                      info.htp ? QStringLiteral("merge HTP") : QStringLiteral("merge LTP")};
    parts << (info.outputPorts.size() == 1 ? QStringLiteral("output ") : QStringLiteral("outputs "))
            + info.outputPorts.join(QStringLiteral(", "));
    parts << (info.inputPorts.isEmpty() ? QStringLiteral("no other source")
                                        : QStringLiteral("also fed by ") + info.inputPorts.join(QStringLiteral(", ")));
    return parts.join(QStringLiteral(", "));
}

QString patchAdvice(const UniverseInfo &info)
{
    return QStringLiteral("OLA universe %1 %2 in olad: patch an output port to it with ola_patch -d DEVICE -p PORT "
                          "-u %1 (ola_dev_info lists them) or in OLA's web page (Add Universe, or the universe's "
                          "Settings tab)")
        .arg(info.number)
        .arg(info.exists ? QStringLiteral("has no output port") : QStringLiteral("does not exist"));
}
