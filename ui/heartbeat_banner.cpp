#include "heartbeat_banner.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class BannerAccessible : public QAccessibleWidget {
public:
    explicit BannerAccessible(QWidget *banner)
        : QAccessibleWidget(banner, QAccessible::Notification)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

} // namespace

QAccessibleInterface *HeartbeatBanner::accessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("HeartbeatBanner") && object && object->isWidgetType())
        return new BannerAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

HeartbeatBanner::HeartbeatBanner(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("lblHeartbeat"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setStyleSheet(QStringLiteral("QLabel { background: #a61b1b; color: white; font-weight: bold; padding: 6px; }"));
    hide();
}

void HeartbeatBanner::raiseWith(const QString &text)
{
    setText(text);
    setFocusPolicy(Qt::TabFocus); // a reader can come back to it
    show();
    QAccessibleEvent said(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&said);
    emit raised(text);
}

void HeartbeatBanner::withdraw()
{
    hide();
    clear();
    setFocusPolicy(Qt::NoFocus);
}
