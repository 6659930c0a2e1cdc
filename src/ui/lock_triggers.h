// What tells the application to lock: the user's absence from it and the desktop's screen lock.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace pixa::ui {

// The time without a key or mouse event after which the application locks: `seconds` (the value
// of PIXAMANTLER_LOCK_AFTER, null when unset) when it is a whole number from 1 to 86400 (one
// day), else 600 s.
std::chrono::milliseconds idleLockAfter(const char* seconds);

class LockTriggers final : public QObject {
    Q_OBJECT
public:
    // Ctrl+L in any window of the application emits lockRequested() at once.
    // Watches every key, mouse-button, mouse-move, wheel and touch event of the application;
    // `idleAfter` without one emits lockRequested() once, and the next such event starts the
    // count again. Needs the application object.
    explicit LockTriggers(std::chrono::milliseconds idleAfter, QObject* parent = nullptr);

    // Listens for the desktop's screen lock: on the session bus, ActiveChanged(true) of
    // org.freedesktop.ScreenSaver or org.gnome.ScreenSaver (from whichever object path the desktop
    // serves it at); on the system bus, logind's Lock of this process's session, the session's
    // LockedHint turning true, and PrepareForSleep(true) before the machine sleeps. Each emits
    // lockRequested(). Returns how many of these five watches were set up: none without buses,
    // and no session ones for a process outside any logind session. A missing bus or session is
    // said in one line on standard error. Waits for the system bus at most half a second in all.
    int watchDesktop(QDBusConnection session, QDBusConnection system);

signals:
    void lockRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // Slots by name: QDBusConnection::connect takes no function pointers.
    void screenSaverActiveChanged(bool active);
    void sessionLocked();
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed);
    void preparingForSleep(bool sleeping);

private:
    QTimer m_idle;
};

} // namespace pixa::ui
