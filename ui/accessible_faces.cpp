#include "accessible_faces.h"

#include "heartbeat_banner.h"
#include "labelled_combo_accessible.h"
#include "level_grid_accessible.h"
#include "option_button_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A window of its own to a screen reader, as the main window is: a plain
// widget would be a "filler" inside nothing, and might not be announced.
QAccessibleInterface *liveChannelsAccessible(const QString &key, QObject *object)
{
    if (key == QLatin1String("LiveChannelsWindow") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleFaces()
{
    QAccessible::installFactory(LevelGridAccessible::create);
    QAccessible::installFactory(OptionButtonAccessible::create);
    QAccessible::installFactory(liveChannelsAccessible);
    QAccessible::installFactory(labelledComboAccessible);
    QAccessible::installFactory(HeartbeatBanner::accessible);
}
