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

    // Listens for the desktop's screen lock: the screen saver turning active on the session bus
    // (from whichever object path the desktop serves it at) and logind's Lock of this process's
    // session on the system bus. Either emits lockRequested(). Returns how many of the two
    // watches were set up: none without buses, and no logind watch for a process outside any
    // session. Waits for the system bus at most half a second in all.
    int watchDesktop(QDBusConnection session, QDBusConnection system);

signals:
    void lockRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // Slots by name: QDBusConnection::connect takes no function pointers.
    void screenSaverActiveChanged(bool active);
    void sessionLocked();

private:
    QTimer m_idle;
};

} // namespace pixa::ui
