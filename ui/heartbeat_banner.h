#pragma once

#include <QLabel>

// A line across Live Channels that a screen reader hears the moment it
// appears ("Channel 512 has not moved for 12 s"): a notification to
// assistive technology, told once each time it is raised, and focusable so
// that it can be read again.
class QAccessibleInterface;

class HeartbeatBanner : public QLabel {
    Q_OBJECT
public:
    explicit HeartbeatBanner(QWidget *parent = nullptr);

    // Its face to a screen reader: a notification.
    static QAccessibleInterface *accessible(const QString &className, QObject *object);

    void raiseWith(const QString &text);
    void withdraw();

signals:
    // Raised and told to a listening reader.
    void raised(const QString &text);
};
