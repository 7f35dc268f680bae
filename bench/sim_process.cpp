#include "sim_process.h"

#include <QElapsedTimer>

SimProcess::SimProcess(QString program)
    : m_program(std::move(program))
{
}

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(const QString &linkPath, const QStringList &options, QString &error)
{
    m_process.start(m_program, QStringList{QStringLiteral("--link"), linkPath} + options);
    if (!m_process.waitForStarted()) {
        error = QStringLiteral("cannot start %1: %2").arg(m_program, m_process.errorString());
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    const qint64 limit = std::chrono::milliseconds(kReadyTimeout).count();
    while (!m_process.canReadLine()) {
        const qint64 left = limit - waited.elapsed();
        if (left <= 0 || !m_process.waitForReadyRead(int(left))) {
            error = QStringLiteral("%1 never said it was ready: %2")
                        .arg(m_program, QString::fromLocal8Bit(m_process.readAllStandardError()));
            return false;
        }
    }
    const QByteArray line = m_process.readLine();
    if (!line.startsWith("lumivane-sim: ready")) {
        error = QStringLiteral("unexpected first line from %1: %2").arg(m_program, QString::fromLocal8Bit(line));
        return false;
    }
    return true;
}

bool stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    process.terminate();
    if (process.waitForFinished(5000))
        return true;
    process.kill();
    process.waitForFinished(5000);
    return false;
}

bool SimProcess::stop()
{
    return stopProcess(m_process);
}
