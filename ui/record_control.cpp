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
    // Channels the box does not answer (past 256 on a box that serves no
    // more) would leave every picture out: the take holds what it answers.
    int last = m_fetch.last();
    if (const QByteArray answered = m_fetch.answeredRun();
        !answered.isEmpty() && m_fetch.pictureFirst() == m_fetch.first())
        last = std::min(last, m_fetch.first() + int(answered.size()) - 1);
    QString error;
    if (m_universe)
        m_recorder.setUniverse(m_universe());
    if (!m_recorder.start(path, m_fetch.first(), last, error)) {
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
    m_tick.stop();
    m_record->setText(QStringLiteral("Record…"));
    // A last write that fails says so through failed().
    if (m_recorder.recording() && m_recorder.stop())
        m_progress->setText(QStringLiteral("Recorded %1 as OLA universe %2")
                                .arg(QDir::toNativeSeparators(m_recorder.path()),
                                     QString::number(m_recorder.universe())));
}

// The recorder has closed the file already; what the flush before wrote
// stays in it.
void RecordControl::onFailed(const QString &why)
{
    m_tick.stop();
    m_record->setText(QStringLiteral("Record…"));
    m_progress->setText(QStringLiteral("Recording stopped: %1").arg(why));
    m_platform.messageBox(this, QStringLiteral("The recording stopped: %1").arg(why), kTitle);
}

void RecordControl::showProgress()
{
    const qint64 size = QFileInfo(m_recorder.path()).size();
    m_progress->setText(QStringLiteral("Recording %1, %2")
                            .arg(elapsedText(m_fetch.now() - m_startedAt),
                                 QLocale::c().formattedDataSize(size, 1, QLocale::DataSizeTraditionalFormat)));
}
