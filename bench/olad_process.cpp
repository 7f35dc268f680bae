#include "olad_process.h"

#include "sim_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

bool acceptsConnections(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool accepted = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return accepted;
}

} // namespace

const QStringList &OladProcess::pluginPrefixes()
{
    // One per plugin olad can be built with (ola/plugin_id.h); the USB Pro
    // family's is usbserial.
    static const QStringList prefixes{
        QStringLiteral("dummy"),     QStringLiteral("artnet"),   QStringLiteral("shownet"),
        QStringLiteral("espnet"),    QStringLiteral("usbserial"), QStringLiteral("opendmx"),
        QStringLiteral("sandnet"),   QStringLiteral("stageprofi"), QStringLiteral("pathport"),
        QStringLiteral("dmx4linux"), QStringLiteral("e131"),     QStringLiteral("usbdmx"),
        QStringLiteral("ftdidmx"),   QStringLiteral("osc"),      QStringLiteral("spi"),
        QStringLiteral("kinet"),     QStringLiteral("karate"),   QStringLiteral("milinst"),
        QStringLiteral("renard"),    QStringLiteral("uartdmx"),  QStringLiteral("openpixelcontrol"),
        QStringLiteral("gpio"),      QStringLiteral("nanoleaf"),
    };
    return prefixes;
}

quint16 OladProcess::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

OladProcess::OladProcess()
    : m_rpcPort(freePort())
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

OladProcess::~OladProcess()
{
    stop();
}

bool OladProcess::writeConfig(QString &error)
{
    const QDir folder(m_config.path());
    for (const QString &prefix : pluginPrefixes()) {
        QFile file(folder.filePath(QStringLiteral("ola-%1.conf").arg(prefix)));
        const QByteArray enabled = prefix == QLatin1String("dummy") ? "true" : "false";
        if (!file.open(QIODevice::WriteOnly) || file.write("enabled = " + enabled + "\n") < 0) {
            error = QStringLiteral("cannot write %1").arg(file.fileName());
            return false;
        }
        file.close();
        if (::geteuid() == 0 && ::chown(qPrintable(file.fileName()), kNobody, kNobody) != 0) {
            error = QStringLiteral("cannot hand %1 to nobody").arg(file.fileName());
            return false;
        }
    }
    // The Dummy device's output port as olad names it when it keeps a patch.
    if (m_patchedAtStart) {
        QFile ports(folder.filePath(QStringLiteral("ola-port.conf")));
        if (!ports.open(QIODevice::WriteOnly)
            || ports.write("1-1-O-0 = " + QByteArray::number(*m_patchedAtStart) + "\n") < 0) {
            error = QStringLiteral("cannot write %1").arg(ports.fileName());
            return false;
        }
        ports.close();
        if (::geteuid() == 0 && ::chown(qPrintable(ports.fileName()), kNobody, kNobody) != 0) {
            error = QStringLiteral("cannot hand %1 to nobody").arg(ports.fileName());
            return false;
        }
    }
    if (::geteuid() == 0 && ::chown(qPrintable(m_config.path()), kNobody, kNobody) != 0) {
        error = QStringLiteral("cannot hand %1 to nobody").arg(m_config.path());
        return false;
    }
    return true;
}

bool OladProcess::start(QString &error)
{
    if (!m_config.isValid() || m_rpcPort == 0) {
        error = QStringLiteral("no folder or no free port for olad");
        return false;
    }
    if (!writeConfig(error))
        return false;
    QStringList arguments{QStringLiteral("olad"), QStringLiteral("--config-dir"), m_config.path(),
                          QStringLiteral("--rpc-port"), QString::number(m_rpcPort), QStringLiteral("--no-http"),
                          QStringLiteral("--no-register-with-dns-sd"), QStringLiteral("--log-level"),
                          QStringLiteral("3")};
    if (::geteuid() == 0)
        arguments = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                QStringLiteral("--clear-groups"), QStringLiteral("--")}
            + arguments;
    m_log.clear();
    m_process.start(::geteuid() == 0 ? QStringLiteral("setpriv") : arguments.takeFirst(), arguments);
    if (!m_process.waitForStarted()) {
        error = QStringLiteral("cannot start olad: %1").arg(m_process.errorString());
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    const qint64 limit = std::chrono::milliseconds(kReadyTimeout).count();
    while (!startedPlugins().contains(QStringLiteral("Dummy"))) {
        const qint64 left = limit - waited.elapsed();
        if (left <= 0 || !m_process.waitForReadyRead(int(left))) {
            error = QStringLiteral("olad did not start its Dummy plugin: %1").arg(log());
            stop();
            return false;
        }
    }
    if (startedPlugins() != QStringList{QStringLiteral("Dummy")} || !strangeConfigFiles().isEmpty()) {
        error = QStringLiteral("olad started plugins %1, wrote %2")
                    .arg(startedPlugins().join(u','), strangeConfigFiles().join(u','));
        stop();
        return false;
    }
    // olad listens before it loads its plugins.
    if (!acceptsConnections(m_rpcPort)) {
        error = QStringLiteral("olad takes no connection on 127.0.0.1:%1: %2").arg(m_rpcPort).arg(log());
        stop();
        return false;
    }
    return true;
}

void OladProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    stopProcess(m_process);
    log();
}

QString OladProcess::log()
{
    m_log += m_process.readAll();
    return QString::fromLocal8Bit(m_log);
}

QStringList OladProcess::startedPlugins()
{
    static const QRegularExpression started(QStringLiteral("PluginManager\\.cpp:\\d+: Started (.+)$"),
                                            QRegularExpression::MultilineOption);
    QStringList names;
    for (auto match = started.globalMatch(log()); match.hasNext();)
        names << match.next().captured(1).trimmed();
    return names;
}

QStringList OladProcess::strangeConfigFiles() const
{
    QStringList ours{QStringLiteral("ola-server.conf"), QStringLiteral("ola-universe.conf"),
                     QStringLiteral("ola-port.conf")};
    for (const QString &prefix : pluginPrefixes())
        ours << QStringLiteral("ola-%1.conf").arg(prefix);
    QStringList strange = QDir(m_config.path()).entryList(QDir::Files);
    strange.removeIf([&ours](const QString &name) { return ours.contains(name); });
    return strange;
}
