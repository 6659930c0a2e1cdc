// What locks the application: idle spans, input restarting them and the desktop's lock or sleep.
#include "ui/lock_triggers.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace pixa::ui;
using namespace std::chrono_literals;

namespace {

const QString ourSession = "/org/freedesktop/login1/session/_31";

// logind as far as the lock triggers ask it: this process's session is ourSession.
class LogindStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public slots:
    // Named as logind names it.
    QDBusObjectPath GetSessionByPID(uint) { return QDBusObjectPath(ourSession); }
};

} // namespace

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
    // What the desktop says as it locks or sleeps locks; its unlocking, waking, other sessions
    // and other properties do not.
    void desktopLocks_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<bool>("locks");
        const auto row = [](const char* name, const QString& path, const QString& interface,
                            const QString& member, const QVariantList& arguments, bool locks) {
            QTest::newRow(name) << path << interface << member << arguments << locks;
        };
        const QString fd = "org.freedesktop.ScreenSaver", gnome = "org.gnome.ScreenSaver";
        const QString session = "org.freedesktop.login1.Session";
        const QString props = "org.freedesktop.DBus.Properties", changed = "PropertiesChanged";
        const auto change = [](const QString& interface, const char* property, bool value) {
            return QVariantList{interface, QVariantMap{{property, value}}, QStringList()};
        };
        row("fd on", "/org/freedesktop/ScreenSaver", fd, "ActiveChanged", {true}, true);
        row("fd off", "/org/freedesktop/ScreenSaver", fd, "ActiveChanged", {false}, false);
        row("fd elsewhere", "/ScreenSaver", fd, "ActiveChanged", {true}, true);
        row("gnome on", "/org/gnome/ScreenSaver", gnome, "ActiveChanged", {true}, true);
        row("gnome off", "/org/gnome/ScreenSaver", gnome, "ActiveChanged", {false}, false);
        row("Lock", ourSession, session, "Lock", {}, true);
        row("other's Lock", "/org/freedesktop/login1/session/c2", session, "Lock", {}, false);
        row("hint on", ourSession, props, changed, change(session, "LockedHint", true), true);
        row("hint off", ourSession, props, changed, change(session, "LockedHint", false), false);
        row("idle", ourSession, props, changed, change(session, "IdleHint", true), false);
        row("user's hint", ourSession, props, changed,
            change("org.freedesktop.login1.User", "LockedHint", true), false);
        const QString manager = "org.freedesktop.login1.Manager";
        row("sleep", "/org/freedesktop/login1", manager, "PrepareForSleep", {true}, true);
        row("wake", "/org/freedesktop/login1", manager, "PrepareForSleep", {false}, false);
    }
    void desktopLocks() {
        QFETCH(QString, path);
        QFETCH(QString, interface);
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);
        QFETCH(bool, locks);
        // Its socket in a folder of the test's own, gone with it.
        QTemporaryDir socketFolder;
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address",
                                     "--address=unix:dir=" + socketFolder.path()});
        if (!daemon.waitForStarted()) QSKIP("dbus-daemon is not installed");
        const QString address = daemon.waitForReadyRead(30000) ? daemon.readLine().trimmed() : "";
        // The one bus as both, logind served on it: asking for the session is then a call within
        // this thread, not one it would have to answer while it waits.
        auto bus = QDBusConnection::connectToBus(address, address);
        LogindStandIn logind;
        QVERIFY(bus.registerService("org.freedesktop.login1"));
        QVERIFY(bus.registerObject("/org/freedesktop/login1", &logind,
                                   QDBusConnection::ExportAllSlots));
        LockTriggers triggers(24h);
        QSignalSpy spy(&triggers, &LockTriggers::lockRequested);
        QCOMPARE(triggers.watchDesktop(bus, bus), 5);
        auto signal = QDBusMessage::createSignal(path, interface, member);
        signal.setArguments(arguments);
        QVERIFY(bus.send(signal));
        QVERIFY(bus.send(
            QDBusMessage::createSignal(ourSession, "org.freedesktop.login1.Session", "Lock")));
        // One sender's signals arrive in order and at once: a lock by the row's, not wanted,
        // would come just before the last Lock's and show as one more.
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() > int(locks), 30000);
        QVERIFY(!spy.wait(300));
        QCOMPARE(spy.count(), int(locks) + 1);
        daemon.kill();
        daemon.waitForFinished();
    }
};

QTEST_MAIN(LockTriggersTest)
#include "lock_triggers_test.moc"
