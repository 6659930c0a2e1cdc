#include "ui/lock_triggers.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QEvent>
#include <QKeyEvent>

#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>

#include <unistd.h>

namespace pixa::ui {

namespace {

const QString logind = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");

// Once, at start: a user who counts on the screen lock to lock the application learns that it
// will not.
void sayUnheard(const char* why) {
    std::fprintf(stderr, "pixamantler: the desktop's screen lock is not heard: %s\n", why);
}

// The object path of this process's logind session, found the ways logind documents: by the
// process, else by the session the environment names, else by "auto" (the caller's session or
// the user's display session). Empty without one, or once the half second is spent.
QString sessionPath(const QDBusConnection& system) {
    const QDeadlineTimer deadline(500);
    const QByteArray named = qgetenv("XDG_SESSION_ID");
    const std::array<std::pair<QString, QVariant>, 2> asks{{
        {QStringLiteral("GetSessionByPID"), QVariant::fromValue(quint32(::getpid()))},
        {QStringLiteral("GetSession"),
         named.isEmpty() ? QStringLiteral("auto") : QString::fromLocal8Bit(named)},
    }};
    for (const auto& [method, argument] : asks) {
        const auto left = deadline.remainingTime();
        if (left <= 0) break;
        auto call = QDBusMessage::createMethodCall(logind, logindPath,
                                                   logind + QStringLiteral(".Manager"), method);
        call << argument;
        const QDBusReply<QDBusObjectPath> reply = system.call(call, QDBus::Block, int(left));
        if (reply.isValid()) return reply.value().path();
    }
    return {};
}

} // namespace

std::chrono::milliseconds idleLockAfter(const char* seconds) {
    constexpr std::chrono::seconds fallback{600};
    if (!seconds) return fallback;
    const std::string_view text(seconds);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 86400)
        return fallback;
    return std::chrono::seconds(value);
}

LockTriggers::LockTriggers(std::chrono::milliseconds idleAfter, QObject* parent) : QObject(parent) {
    m_idle.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: half a minute of a ten-minute span.
    m_idle.setTimerType(Qt::PreciseTimer);
    m_idle.setInterval(idleAfter);
    connect(&m_idle, &QTimer::timeout, this, &LockTriggers::lockRequested);
    QCoreApplication::instance()->installEventFilter(this);
    m_idle.start();
}

bool LockTriggers::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+L locks from whichever window has the keyboard, one held by another included.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_L &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            m_idle.start();
            emit lockRequested();
            return true;
        }
    }
    // Only what the user does: the events Qt makes up itself (a press passed on to a parent, a
    // move after a widget shifted) are not spontaneous.
    if (event->spontaneous()) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            m_idle.start();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

int LockTriggers::watchDesktop(QDBusConnection session, QDBusConnection system) {
    int watches = 0;
    const QString activeChanged = QStringLiteral("ActiveChanged");
    // No service and no path: the signal from whichever object the desktop serves it at.
    for (const char* saver : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"})
        watches += session.connect({}, {}, QString::fromLatin1(saver), activeChanged,
                                   QStringLiteral("b"), this, SLOT(screenSaverActiveChanged(bool)));
    if (!session.isConnected()) sayUnheard("no session bus");
    if (!system.isConnected()) {
        sayUnheard("no system bus");
        return watches;
    }
    watches += system.connect(logind, logindPath, logind + QStringLiteral(".Manager"),
                              QStringLiteral("PrepareForSleep"), QStringLiteral("b"), this,
                              SLOT(preparingForSleep(bool)));
    const QString path = sessionPath(system);
    if (path.isEmpty()) {
        sayUnheard("no logind session");
        return watches;
    }
    // logind signals on the session's own object only, never on its "auto" alias.
    watches += system.connect(logind, path, logind + QStringLiteral(".Session"),
                              QStringLiteral("Lock"), this, SLOT(sessionLocked()));
    watches += system.connect(logind, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                              QStringLiteral("PropertiesChanged"), QStringLiteral("sa{sv}as"), this,
                              SLOT(sessionPropertiesChanged(QString, QVariantMap)));
    return watches;
}

void LockTriggers::screenSaverActiveChanged(bool active) {
    if (active) emit lockRequested();
}

void LockTriggers::sessionLocked() {
    emit lockRequested();
}

void LockTriggers::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed) {
    // Set by the desktop's locker as the screen locks, also where it sends no ActiveChanged.
    if (interface == logind + QStringLiteral(".Session") &&
        changed.value(QStringLiteral("LockedHint")).toBool())
        emit lockRequested();
}

// A sleeping machine is a machine left: it wakes locked, whether or not the desktop locks.
void LockTriggers::preparingForSleep(bool sleeping) {
    if (sleeping) emit lockRequested();
}

} // namespace pixa::ui
