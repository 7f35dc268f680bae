// What Live Channels keeps between runs. The main window keeps nothing: it
// starts the same every time.
#include "compare_control.h"
#include "heartbeat_control.h"
#include "live_channels_window.h"
#include "ola_send_control.h"
#include "record_control.h"
#include "recording_player.h"

#include <QComboBox>
#include <QDir>
#include <QSettings>
#include <QSpinBox>

namespace {

const QString kOrganization = QStringLiteral("Lumivane");
const QString kApplication = QStringLiteral("lumivane-monitor");
const QString kGroup = QStringLiteral("LiveChannels");

// A folder that is gone since (an unplugged stick) gives way to home.
QString existingFolder(const QString &folder)
{
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

} // namespace

void LiveChannelsWindow::restoreSettings()
{
    QSettings settings(kOrganization, kApplication);
    settings.beginGroup(kGroup);
    const int first = settings.value(QStringLiteral("first"), 1).toInt();
    const int last = settings.value(QStringLiteral("last"), LiveFetch::kChannels).toInt();
    if (first >= 1 && first <= last && last <= LiveFetch::kChannels) {
        m_lastBox->setValue(last);
        m_firstBox->setValue(first);
    }
    const int format = m_formatBox->findData(settings.value(QStringLiteral("format"), 0).toInt());
    if (format >= 0)
        m_formatBox->setCurrentIndex(format);
    for (const QVariant &channel : settings.value(QStringLiteral("pins")).toList())
        m_fetch.togglePin(channel.toInt()); // refuses what is out of range or too many
    m_compare->setTolerance(settings.value(QStringLiteral("tolerance"), 0).toInt());
    m_ola->setServerPort(quint16(settings.value(QStringLiteral("olaPort"), OlaFeed::kDefaultServerPort).toUInt()));
    m_ola->setPriority(settings.value(QStringLiteral("olaPriority"), OlaFeed::kDefaultPriority).toInt());
    m_heartbeat->setChannel(settings.value(QStringLiteral("heartbeatChannel"), 0).toInt());
    m_heartbeat->setStillAfterSeconds(
        settings.value(QStringLiteral("heartbeatStillAfter"), m_heartbeat->stillAfterSeconds()).toInt());
    restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    m_snapshotFolder = existingFolder(settings.value(QStringLiteral("snapshotFolder")).toString());
    m_record->setFolder(existingFolder(settings.value(QStringLiteral("recordingFolder")).toString()));
    m_player->setFolder(existingFolder(settings.value(QStringLiteral("openRecordingFolder")).toString()));
}

void LiveChannelsWindow::saveSettings() const
{
    QSettings settings(kOrganization, kApplication);
    settings.beginGroup(kGroup);
    settings.setValue(QStringLiteral("first"), m_firstBox->value());
    settings.setValue(QStringLiteral("last"), m_lastBox->value());
    settings.setValue(QStringLiteral("format"), m_formatBox->currentData().toInt());
    QVariantList pins;
    for (int channel : m_fetch.pinned())
        pins << channel;
    settings.setValue(QStringLiteral("pins"), pins);
    settings.setValue(QStringLiteral("tolerance"), m_compare->tolerance());
    settings.setValue(QStringLiteral("olaPort"), m_ola->serverPort());
    settings.setValue(QStringLiteral("olaPriority"), m_ola->priority());
    settings.setValue(QStringLiteral("heartbeatChannel"), m_heartbeat->channel());
    settings.setValue(QStringLiteral("heartbeatStillAfter"), m_heartbeat->stillAfterSeconds());
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("snapshotFolder"), m_snapshotFolder);
    settings.setValue(QStringLiteral("recordingFolder"), m_record->folder());
    settings.setValue(QStringLiteral("openRecordingFolder"), m_player->folder());
}
