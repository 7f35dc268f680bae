#pragma once

#include "live_fetch.h"
#include "platform.h"
#include "recorder.h"

#include <QDir>
#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

// Record/Stop: the live range goes into a show file while it records, and
// the label tells for how long, how big the file has grown and which
// channels go unread meanwhile. A write that fails ends the take and says
// why, as does a change that leaves the take's channels unfetched; a take
// that holds no picture says so and is not kept.
class RecordControl : public QWidget {
    Q_OBJECT
public:
    RecordControl(LiveFetch &fetch, Platform platform, QWidget *parent = nullptr);

    // Asks for a file without waiting on the operator, then records into it;
    // a file that exists is not written over: the question comes again,
    // proposing a name that is free.
    void chooseFile(const QString &proposed = QString());
    // Records into `path`, which must not exist yet; a refusal shows in a
    // message box.
    bool startRecording(const QString &path);
    void stopRecording();
    const Recorder &recorder() const { return m_recorder; }
    // Where the file dialog starts: the folder of the last take.
    QString folder() const { return m_folder; }
    void setFolder(const QString &folder) { m_folder = folder; }
    // The OLA universe a take is written as, asked at each start.
    void takeUniverseFrom(std::function<unsigned int()> universe) { m_universe = std::move(universe); }

private:
    void onFailed(const QString &why);
    void onEnded(const QString &why);
    void showStopped(const QString &text);
    void showEnd(const QString &text);
    void showProgress();

    LiveFetch &m_fetch;
    Platform m_platform;
    Recorder m_recorder;
    LiveFetch::Clock::time_point m_startedAt;
    QTimer m_tick;
    QPushButton *m_record = nullptr;
    QLabel *m_progress = nullptr;
    QString m_folder = QDir::homePath();
    std::function<unsigned int()> m_universe;
};
