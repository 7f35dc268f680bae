#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>

// Asks `process` to end (SIGTERM) and kills it if it has not within five
// seconds; true when it ended on being asked.
bool stopProcess(QProcess &process);

// lumivane-sim serving the box on a pseudo-terminal behind a link path,
// from its ready line until stop().
class SimProcess {
public:
    static constexpr std::chrono::seconds kReadyTimeout{10};

    explicit SimProcess(QString program);
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // False, with the reason in `error`, unless the box is ready to be opened.
    bool start(const QString &linkPath, const QStringList &options, QString &error);
    // True when the box ended on being asked to (a hung one is killed).
    bool stop();

private:
    QString m_program;
    QProcess m_process;
};
