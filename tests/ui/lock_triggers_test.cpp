// What locks the application: idle spans, input restarting them and the desktop's screen saver.
#include "ui/lock_triggers.h"

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace pixa::ui;
using namespace std::chrono_literals;

class LockTriggersTest : public QObject {
    Q_OBJECT
private slots:
    // A value read in part, out of range or not set must not become the span.
    void idleSpan() {
        for (const char* bad : {"", "0", "-5", "abc", "12abc", " 30", "86401", "99999999999"})
            QVERIFY2(idleLockAfter(bad) == 600s, bad);
        QCOMPARE(idleLockAfter(nullptr), 600s);
        QCOMPARE(idleLockAfter("86400"), 86400s);
    }

    // Keys and clicks restart the count (no lock sooner than the span after one); an idle span
    // locks once, not over and over.
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
        QTRY_VERIFY_WITH_TIMEOUT(spy.count() > 0 && !spy.wait(600), 60000);
        QCOMPARE(quietest, 300);
    }

    // The screen saver turning active locks, from either path desktops serve it at; its end does
    // not. The marker goes once the signal after the false one has reached every receiver.
    void screenSaverLocks() {
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (!bus.waitForStarted()) QSKIP("dbus-daemon is not installed");
        QVERIFY(bus.waitForReadyRead(60000));
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        auto listen = QDBusConnection::connectToBus(address, "listen");
        auto speak = QDBusConnection::connectToBus(address, "speak");
        LockTriggers triggers(24h);
        QSignalSpy spy(&triggers, &LockTriggers::lockRequested);
        QCOMPARE(triggers.watchDesktop(listen, QDBusConnection("none")), 1);
        const QString saver = "org.freedesktop.ScreenSaver";
        auto* marker = new QObject;
        QSignalSpy markerGone(marker, &QObject::destroyed);
        QVERIFY(listen.connect({}, {}, "org.example.Test", "Marker", marker, SLOT(deleteLater())));
        const auto send = &QDBusMessage::createSignal;
        QVERIFY(speak.send(send("/org/freedesktop/ScreenSaver", saver, "ActiveChanged") << false));
        QVERIFY(speak.send(send("/", "org.example.Test", "Marker")));
        QVERIFY(markerGone.wait(60000));
        QCOMPARE(spy.count(), 0);
        QVERIFY(speak.send(send("/org/freedesktop/ScreenSaver", saver, "ActiveChanged") << true));
        QVERIFY(speak.send(send("/ScreenSaver", saver, "ActiveChanged") << true));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 60000);
        bus.kill();
        bus.waitForFinished();
    }
};

QTEST_MAIN(LockTriggersTest)
#include "lock_triggers_test.moc"
