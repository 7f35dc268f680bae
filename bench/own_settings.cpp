#include "own_settings.h"

#include <QDir>
#include <QSettings>

namespace bench {

OwnSettings::OwnSettings()
    : m_folder(QDir::tempPath() + QStringLiteral("/lumivane-bench-settings-XXXXXX"))
{
    if (!m_folder.isValid())
        return;
    // The environment carries it to the programs the benchmark starts.
    qputenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder.path());
}

} // namespace bench
