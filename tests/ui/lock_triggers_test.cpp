// What locks the application: idle spans, input restarting them and the desktop's screen saver.
#include "ui/lock_triggers.h"

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace pixa::ui;
using namespace std::chrono_literals;

class LockTriggersTest : public QObject {
    Q_OBJECT
private slots:
    // A value read in part, out of range or not set must not become the span.
    void idleSpan() {
        for (const char* bad : {"", "0", "-5", "abc", "12abc", " 30", "86401", "4294967326"})
            QVERIFY2(idleLockAfter(bad) == 600s, bad);
        QCOMPARE(idleLockAfter(nullptr), 600s);
        QCOMPARE(idleLockAfter("86400"), 86400s);
    }
    // Keys and clicks restart the count (no lock sooner than the span after one); it locks once.
    void idleLocksOnceASpanAfterTheLastInput() {
        QWidget widget;
        LockTriggers triggers(300ms);
        QSignalSpy spy(&triggers, &LockTriggers::lockRequested);
        QElapsedTimer sinceInput;
        qint64 quietest = 300;
        connect(&triggers, &LockTriggers::lockRequested,
                [&] { quietest = std::min(quietest, sinceInput.elapsed()); });
        for (int i = 0; i < 4; ++i, spy.wait(150)) {
            sinceInput.start();
            i % 2 ? QTest::mouseClick(&widget, Qt::LeftButton) : QTest::keyClick(&widget, 'a');
        }
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() > 0 && !spy.wait(600), 30000);
        QCOMPARE(quietest, 300);
    }
    // The screen saver's start locks, from either path desktops serve it at; its end does not.
    void screenSaverLocks() {
        // Its socket in a folder of the test's own, gone with it.
        QTemporaryDir socketFolder;
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address",
                                     "--address=unix:dir=" + socketFolder.path()});
        if (!daemon.waitForStarted()) QSKIP("dbus-daemon is not installed");
        const QString address = daemon.waitForReadyRead(30000) ? daemon.readLine().trimmed() : "";
        LockTriggers triggers(24h);
        QSignalSpy spy(&triggers, &LockTriggers::lockRequested);
        auto bus = QDBusConnection::connectToBus(address, "private");
        QCOMPARE(triggers.watchDesktop(bus, QDBusConnection("none")), 1);
        const QString saver = "org.freedesktop.ScreenSaver";
        const auto send = [&](bool active, const char* path = "/org/freedesktop/ScreenSaver") {
            return bus.send(QDBusMessage::createSignal(path, saver, "ActiveChanged") << active);
        };
        QVERIFY(send(false) && send(true) && send(true, "/ScreenSaver"));
        // One sender's signals arrive in order and at once: a lock by the false one would show.
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() == 2 && !spy.wait(300), 30000);
        daemon.kill();
        daemon.waitForFinished();
    }
};

QTEST_MAIN(LockTriggersTest)
#include "lock_triggers_test.moc"
