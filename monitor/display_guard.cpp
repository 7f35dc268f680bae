#include "display_guard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
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
    // In a Wayland session, or when X was not tried, Wayland's fault is the
    // one to name: X, tried after it, fails too (no DISPLAY, or XWayland
    // not up), but it is not what the operator needs.
    const bool waylandFirst = !settings.waylandDisplay.isEmpty() || !failedPlugins.contains(QLatin1String("xcb"));
    if (waylandFirst && missingPlugins.contains(QLatin1String("wayland"))) {
        reason = QStringLiteral("Qt's wayland plugin is not installed");
        advice = QStringLiteral("install qt6-wayland, or start it with QT_QPA_PLATFORM=xcb");
    } else if (waylandFirst && failedPlugins.contains(QLatin1String("wayland"))) {
        reason = settings.waylandDisplay.isEmpty()
            ? QStringLiteral("WAYLAND_DISPLAY is not set")
            : QStringLiteral("the Wayland display %1 does not answer").arg(settings.waylandDisplay);
    } else if (failedPlugins.contains(QLatin1String("xcb"))) {
        reason = settings.display.isEmpty()
            ? QStringLiteral("DISPLAY is not set")
            : QStringLiteral("the X display %1 does not answer").arg(settings.display);
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

// The platform asked for when it is not a real display, or nothing.
const char kFallback[] = "minimal";
QString g_problem;
bool g_guarding = false;

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
    if (g_guarding && QGuiApplication::platformName() == QLatin1String(kFallback)) {
        // Every real display failed: what Qt said while trying goes into
        // the one line, not onto the operator's terminal.
        QStringList messages;
        for (const HeldMessage &message : std::as_const(held))
            messages << message.text;
        const DisplaySettings settings{qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY")};
        g_problem = noDisplayLine(settings, messages);
        return;
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
    if (g_started || type == QtFatalMsg) {
        lock.unlock();
        g_previous(type, context, text);
        return;
    }
    g_held.append({type, context.file, context.line, context.function, context.category, text});
}

// The platforms Qt would try, in its order, with one behind them that needs
// no display: when every real one fails Qt starts on that instead of
// aborting, and the monitor can say why and end normally.
QByteArray platformsWithFallback()
{
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (!asked.isEmpty())
        return asked + ';' + kFallback;
    QByteArray platforms;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland")
        platforms = "wayland;";
    return platforms + "xcb;" + kFallback;
}

bool asksForPlatform(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-platform" || argument == "--platform")
            return true;
    }
    return false;
}

// Platforms that draw nowhere are asked for on purpose (tests, scripts);
// they need no guard.
bool drawsOnScreen(const QByteArray &platforms)
{
    for (const QByteArray &name : platforms.split(';')) {
        const QByteArray base = name.split(':').first();
        if (base == "offscreen" || base == "minimal" || base == "vnc")
            return false;
    }
    return true;
}

} // namespace

void guardDisplayStartUp(int argc, char *argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (asksForPlatform(argc, argv) || !drawsOnScreen(qgetenv("QT_QPA_PLATFORM")))
        return;
    g_guarding = true;
    qputenv("QT_QPA_PLATFORM", platformsWithFallback());
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        g_previous = qInstallMessageHandler(holdMessage);
    }
    qAddPreRoutine(platformStarted);
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#endif
}

QString displayProblem()
{
    return g_problem;
}
