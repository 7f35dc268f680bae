#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <optional>

// olad for the tests and the benchmark, kept to this machine: a private
// configuration folder in which every plugin but Dummy is switched off
// before olad first starts (so no network or serial plugin runs even for a
// moment), no web server, no DNS-SD, its RPC port on 127.0.0.1 chosen free
// once and kept across restarts. olad refuses to run as root; as root it
// runs as nobody, with the folder handed to nobody.
class OladProcess {
public:
    static constexpr std::chrono::seconds kReadyTimeout{10};

    OladProcess();
    ~OladProcess();
    OladProcess(const OladProcess &) = delete;
    OladProcess &operator=(const OladProcess &) = delete;

    quint16 rpcPort() const { return m_rpcPort; }
    // The Dummy plugin's output port is patched to `universe` from the
    // start, as olad keeps a patch across restarts. Before start().
    void patchAtStart(unsigned int universe) { m_patchedAtStart = universe; }

    // False, with the reason in `error`, unless olad takes connections with
    // only the Dummy plugin started.
    bool start(QString &error);
    void stop();
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // The plugins olad has started so far, by name, from its log.
    QStringList startedPlugins();
    // Configuration files olad wrote that are not ours: a plugin this list
    // does not know would show here first.
    QStringList strangeConfigFiles() const;
    QString log();

    // Every plugin olad knows, by its configuration prefix.
    static const QStringList &pluginPrefixes();
    // A TCP port on 127.0.0.1 that nothing listens on at the moment.
    static quint16 freePort();

private:
    bool writeConfig(QString &error);

    QTemporaryDir m_config;
    quint16 m_rpcPort = 0;
    std::optional<unsigned int> m_patchedAtStart;
    QProcess m_process;
    QByteArray m_log;
};
