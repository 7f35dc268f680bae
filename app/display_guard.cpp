#include "display_guard.h"

#include <QCoreApplication>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

std::mutex g_mutex;
QtMessageHandler g_previous = nullptr;
QList<HeldMessage> g_held;
bool g_started = false;

// The display settings the line speaks of.
struct DisplaySettings {
    QString display;        // $DISPLAY
    QString waylandDisplay; // $WAYLAND_DISPLAY
};

QStringList pluginsIn(const QStringList &messages, const QRegularExpression &pattern)
{
    QStringList plugins;
    for (const QString &message : messages) {
        const QRegularExpressionMatch match = pattern.match(message);
        if (match.hasMatch())
            plugins << match.captured(1);
    }
    return plugins;
}

// The one line for a platform plugin that failed, from the settings and the
// messages Qt gave while it tried.
QString noDisplayLine(const DisplaySettings &settings, const QStringList &qtMessages)
{
    static const QRegularExpression missing(
        QStringLiteral("Could not find the Qt platform plugin \"([^\"]+)\""));
    static const QRegularExpression failed(
        QStringLiteral("Could not load the Qt platform plugin \"([^\"]+)\".*even though it was found"));
    const QStringList missingPlugins = pluginsIn(qtMessages, missing);
    const QStringList failedPlugins = pluginsIn(qtMessages, failed);

    // Most often a session without a desktop (ssh, a console) or one whose
    // DISPLAY went stale (sudo, a closed ssh tunnel).
    QString advice = QStringLiteral("start it from a desktop session");
    QString reason;
    if (failedPlugins.contains(QLatin1String("xcb"))) {
        reason = settings.display.isEmpty()
            ? QStringLiteral("DISPLAY is not set")
            : QStringLiteral("the X display %1 does not answer").arg(settings.display);
    } else if (failedPlugins.contains(QLatin1String("wayland"))) {
        reason = settings.waylandDisplay.isEmpty()
            ? QStringLiteral("WAYLAND_DISPLAY is not set")
            : QStringLiteral("the Wayland display %1 does not answer").arg(settings.waylandDisplay);
    } else if (missingPlugins.contains(QLatin1String("wayland"))) {
        reason = QStringLiteral("Qt's wayland plugin is not installed");
        advice = QStringLiteral("install qt6-wayland, or start it with QT_QPA_PLATFORM=xcb");
    } else if (!missingPlugins.isEmpty()) {
        reason = QStringLiteral("Qt's %1 plugin is not installed").arg(missingPlugins.first());
        advice = QStringLiteral("check QT_QPA_PLATFORM");
    } else if (settings.display.isEmpty() && settings.waylandDisplay.isEmpty()) {
        reason = QStringLiteral("DISPLAY is not set");
    } else {
        reason = QStringLiteral("Qt could not start its platform plugin");
    }
    return QStringLiteral("lumivane-monitor: no display available (%1); %2").arg(reason, advice);
}

// Called by Qt once QApplication's platform plugin is up.
void platformStarted()
{
    QList<HeldMessage> held;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        qInstallMessageHandler(g_previous);
        g_started = true;
        held.swap(g_held);
    }
    for (const HeldMessage &message : held) {
        const QMessageLogContext context(message.file.constData(), message.line,
                                         message.function.constData(),
                                         message.category.constData());
        g_previous(message.type, context, message.text);
    }
}

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    std::unique_lock<std::mutex> lock(g_mutex);
    if (g_started) { // a message from another thread that met the guard on its way out
        lock.unlock();
        g_previous(type, context, text);
        return;
    }
    if (type != QtFatalMsg) {
        g_held.append({type, context.file, context.line, context.function, context.category, text});
        return;
    }
    // Qt's fatal while the platform starts: the display cannot be used.
    QStringList messages;
    for (const HeldMessage &message : std::as_const(g_held))
        messages << message.text;
    messages << text;
    const DisplaySettings settings{qEnvironmentVariable("DISPLAY"),
                                   qEnvironmentVariable("WAYLAND_DISPLAY")};
    std::fprintf(stderr, "%s\n", qPrintable(noDisplayLine(settings, messages)));
    std::fflush(stderr);
    // QApplication is half made: no destructors, no atexit handlers.
    std::_Exit(1);
}

} // namespace

void guardDisplayStartUp()
{
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        g_previous = qInstallMessageHandler(holdMessage);
    }
    qAddPreRoutine(platformStarted);
}
