#include "record_control.h"

#include "file_question.h"
#include "push_button.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

namespace {

constexpr std::chrono::milliseconds kTick{250};
const QString kTitle = QStringLiteral("Record");

QString elapsedText(LiveFetch::Clock::duration elapsed)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    const QChar zero(u'0');
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, zero)
            .arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, zero).arg(seconds % 60, 2, 10, zero);
}

// take.show -> take-2.show, take-2.show -> take-3.show: the first free one.
QString freeName(const QString &path)
{
    const QFileInfo taken(path);
    static const QRegularExpression numbered(QStringLiteral("^(.*)-(\\d{1,6})$"));
    QString base = taken.completeBaseName();
    int number = 2;
    if (const QRegularExpressionMatch match = numbered.match(base); match.hasMatch()) {
        base = match.captured(1);
        number = match.captured(2).toInt() + 1;
    }
    const QString suffix = taken.suffix().isEmpty() ? QString() : QStringLiteral(".") + taken.suffix();
    QString candidate;
    do
        candidate = taken.dir().filePath(QStringLiteral("%1-%2%3").arg(base).arg(number++).arg(suffix));
    while (QFileInfo::exists(candidate));
    return candidate;
}

} // namespace

RecordControl::RecordControl(LiveFetch &fetch, Platform platform, QWidget *parent)
    : QWidget(parent)
    , m_fetch(fetch)
    , m_platform(std::move(platform))
    , m_recorder(fetch)
{
    m_record = pushButton(QStringLiteral("Record…"), QStringLiteral("cmdRecord"), this);
    m_record->setToolTip(QStringLiteral("Records every good picture into a new show file, as the OLA universe "
                                        "set beside Send to OLA"));
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("lblRecording"));
    m_progress->setTextFormat(Qt::PlainText);
    m_progress->setWordWrap(true); // what went unread is long; the window stays narrow

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_record);
    row->addWidget(m_progress, 1);

    m_tick.setInterval(kTick);
    connect(&m_tick, &QTimer::timeout, this, &RecordControl::showProgress);
    connect(m_record, &QPushButton::clicked, this, [this] {
        if (m_recorder.recording())
            stopRecording();
        else
            chooseFile();
    });
    connect(&m_recorder, &Recorder::failed, this, &RecordControl::onFailed);
    connect(&m_recorder, &Recorder::ended, this, &RecordControl::onEnded);
    connect(&m_recorder, &Recorder::lineChanged, this, &RecordControl::showProgress);
    connect(&m_recorder, &Recorder::settled, this, &RecordControl::showProgress);
}

void RecordControl::chooseFile(const QString &proposed)
{
    const QString name = QStringLiteral("live-channels-%1.show")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    askForFile(this,
               {QStringLiteral("dlgRecord"), kTitle, proposed.isEmpty() ? QDir(m_folder).filePath(name) : proposed,
                QStringLiteral("Show files (*.show);;All files (*)"), true, QStringLiteral("show"), false},
               [this](const QString &path) {
                   if (!QFileInfo::exists(path)) {
                       startRecording(path);
                       return;
                   }
                   // Asked again first, so that the message stands in front.
                   const QString free = freeName(path);
                   chooseFile(free);
                   m_platform.messageBox(this,
                                         QStringLiteral("%1 exists, and a take is never written over another. "
                                                        "Choose another name, such as %2.")
                                             .arg(QFileInfo(path).fileName(), QFileInfo(free).fileName()),
                                         kTitle);
               });
}

bool RecordControl::startRecording(const QString &path)
{
    QString error;
    // A take while nothing is fetched would only count the time.
    if (!m_fetch.running())
        error = QStringLiteral("fetching is paused");
    if (m_universe)
        m_recorder.setUniverse(m_universe());
    if (!error.isEmpty() || !m_recorder.start(path, m_fetch.first(), m_fetch.last(), error)) {
        m_platform.messageBox(this, QStringLiteral("Not recording: %1").arg(error), kTitle);
        return false;
    }
    m_folder = QFileInfo(path).absolutePath();
    m_startedAt = m_fetch.now();
    m_record->setText(QStringLiteral("Stop"));
    m_tick.start();
    showProgress();
    return true;
}

void RecordControl::stopRecording()
{
    // A last write that fails says so through failed().
    if (m_recorder.recording() && m_recorder.stop())
        showStopped(QStringLiteral("Recorded %1 as OLA universe %2")
                        .arg(QDir::toNativeSeparators(m_recorder.path()), QString::number(m_recorder.universe())));
}

// Stopped by the operator or by a change of the live view: a take without
// a picture says so rather than where it went.
void RecordControl::showStopped(const QString &text)
{
    if (m_recorder.picturesWritten() > 0) {
        showEnd(text);
        return;
    }
    QString nothing = m_recorder.nothingRecorded();
    nothing[0] = nothing[0].toUpper();
    showEnd(nothing);
}

// The recorder has closed the file already; what the flush before wrote
// stays in it.
void RecordControl::onFailed(const QString &why)
{
    showEnd(QStringLiteral("Recording stopped: %1").arg(why));
    m_platform.messageBox(this, QStringLiteral("The recording stopped: %1").arg(why), kTitle);
}

void RecordControl::onEnded(const QString &why)
{
    showStopped(QStringLiteral("Recording stopped: %1").arg(why));
}

void RecordControl::showEnd(const QString &text)
{
    m_tick.stop();
    m_record->setText(QStringLiteral("Record…"));
    m_progress->setText(text);
}

void RecordControl::showProgress()
{
    if (!m_recorder.recording())
        return;
    const qint64 size = QFileInfo(m_recorder.path()).size();
    QString text = QStringLiteral("Recording %1, %2")
                       .arg(elapsedText(m_fetch.now() - m_startedAt),
                            QLocale::c().formattedDataSize(size, 1, QLocale::DataSizeTraditionalFormat));
    for (const QString &note : {m_recorder.narrowed(), m_recorder.unread()}) {
        if (!note.isEmpty())
            text += QStringLiteral("; ") + note;
    }
    m_progress->setText(text);
}
