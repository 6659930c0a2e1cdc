// A folder walked through as a collection: steps in natural order across wrapped photos of two
// viewer passwords and plain pictures, the passwords remembered once given, and the lock, by
// key and by idleness, that forgets them and takes every unwrapped picture away.
#include "road_harness.h"

#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <QLabel>
#include <QLineEdit>

#include <functional>
#include <QtTest>

using namespace pixatest;
using pixa::ui::ShownPhoto;

class CollectionTest : public QObject {
    Q_OBJECT
private slots:
    void stepsUnlockOnceAndLock();
    void idleLock();
    void alternatingFolderShowsEveryPhoto();
    void lockWhileABoxIsUpShowsNothing_data();
    void lockWhileABoxIsUpShowsNothing();
};

namespace {

// The album, in natural order: a10 after a3, as people count (and b0.jpg, no picture, before b1).
const QStringList kAlbum{"a1.pff", "a2.pff", "a3.jpg", "a10.pff", "b1.pff", "b2.pff", "b3.png"};

// Writes `names` under `album`, each picture a width of its own, 200 + its place: a .pff wrapped
// by `owner` with its name as its caption, a .png or a .jpg plain.
void writePhotos(RoadHarness& h, const QStringList& names,
                 const std::function<pixa::CurrentOwner(const QString&)>& owner) {
    QDir(h.root).mkdir("album");
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i];
        const bool plain = !name.endsWith(".pff");
        const QString jpeg = h.picture(plain ? "album/" + name : "source.jpg", QSize(200 + i, 150),
                                       name.endsWith(".png") ? "png" : "jpeg");
        if (plain) continue;
        pixa::encrypt_pff_file({jpeg.toStdString(), h.path("album/" + name).toStdString(),
                                name.toStdString(), ".JPG", owner(name), &h.clock});
    }
}

// Writes the album under `album`: the a*.pff for the logged-in owner (viewer password "view"),
// the b*.pff for another ("othr").
void writeAlbum(RoadHarness& h) {
    const auto pad = [](const char* text, size_t width) {
        return pixa::padField(pixa::toCodePage(text), width);
    };
    const pixa::CurrentOwner other = *pixa::registerOwner(
        h.session.store(), pad("bob", pixa::kNameWidth), pad("pw", pixa::kPasswordWidth),
        pad("othr", pixa::kPasswordWidth), pad("", pixa::kHintWidth), h.clock);
    writePhotos(h, kAlbum, [&](const QString& name) {
        return name.startsWith('a') ? h.session.currentOwner() : other;
    });
    // Named as a picture, but none: passed over with a line, never a message box.
    QFile garbage(h.path("album/b0.jpg"));
    if (!garbage.open(QIODevice::WriteOnly) || garbage.write("not a photo") < 0) qFatal("b0.jpg");
}

// Every unwrapped or prepared picture of any copy under the test's folder.
QStringList picturesOnDisk(const RoadHarness& h) {
    QStringList found;
    QDirIterator it(h.root, {"~~tmp*"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

QString status(const RoadHarness& h) {
    const auto* label = h.window.findChild<QLabel*>(QStringLiteral("StatusLabel"));
    return label->isVisible() ? label->text() : QString();
}

// The album's photo on screen, by its width; -1 for none.
int shownPlace(const RoadHarness& h) {
    const QImage shown = h.window.shownPicture();
    return shown.isNull() ? -1 : shown.width() - 200;
}

} // namespace

void CollectionTest::stepsUnlockOnceAndLock() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    writeAlbum(h);
    QVERIFY(h.openWrapped(h.path("album/a1.pff"), "view"));
    // The next photo is unwrapped ahead while this one is looked at.
    QTRY_COMPARE(picturesOnDisk(h).size(), 2);

    // Each step in natural order; only the other password is asked, once.
    const auto step = [&h](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        // Shortcuts reach the active window only; without a window manager, none gives the
        // main window back its activation when the unlock window goes.
        // A window deleted afterwards would take the activation with it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        h.window.activateWindow();
        if (!QTest::qWaitForWindowActive(&h.window)) qFatal("the main window is not active");
        QTest::keyClick(&h.window, key, mods);
    };
    for (const int place : {1, 2, 3}) {
        step(Qt::Key_Right, place == 1 ? Qt::AltModifier : Qt::NoModifier);
        QVERIFY(!h.unlock.window() || !h.unlock.window()->isVisible());
        QCOMPARE(shownPlace(h), place);
    }
    step(Qt::Key_Right);
    QVERIFY(h.unlock.window() && QTest::qWaitForWindowActive(h.unlock.window()));
    QCOMPARE(status(h), "Skipped b0.jpg: Invalid picture");
    type(h.unlock.window(), {{"passwordEdit", "othr"}});
    QTest::keyClick(h.unlock.window()->findChild<QLineEdit*>("passwordEdit"), Qt::Key_Return);
    QCOMPARE(shownPlace(h), 4);
    step(Qt::Key_Right);
    QCOMPARE(shownPlace(h), 5);
    // The PNG after it is decoded ahead too, its decoder on a thread of its own.
    QTRY_VERIFY(h.window.preparedAhead(h.path("album/b3.png")));
    for (const int place : {6, 6}) {
        step(Qt::Key_Right);
        QCOMPARE(shownPlace(h), place);
    }
    QCOMPARE(status(h), "No next photo in this folder");
    step(Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Unwrapped);
    QCOMPARE(shownPlace(h), 5);
    QVERIFY(h.platform.takeMessages().isEmpty());

    // The lock takes the unwrapped photo off the screen and every picture off the disk.
    step(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Nothing);
    QCOMPARE(shownPlace(h), -1);
    QCOMPARE(h.window.captionText(), QString());
    QCOMPARE(h.labels(), QStringList({"", "", "", ""}));
    QCOMPARE(status(h), "Locked");
    QTRY_COMPARE(picturesOnDisk(h), QStringList());

    // The step after it starts from where the photo was, and asks again.
    step(Qt::Key_Left);
    QVERIFY(h.unlock.window() && QTest::qWaitForWindowActive(h.unlock.window()));
    QCOMPARE(h.window.shownPhoto().ws_file, h.path("album/b1.pff"));
    // A lock while it asks closes it as its X would, and forgets what was typed in it.
    type(h.unlock.window(), {{"passwordEdit", "othr"}});
    QTest::keyClick(h.unlock.window(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(!h.unlock.window()->isVisible());
    QVERIFY(h.window.isEnabled());
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Nothing);
    h.open(h.path("album/b1.pff"), 1);
    QVERIFY(h.unlock.window() && QTest::qWaitForWindowActive(h.unlock.window()));
    QCOMPARE(h.unlock.window()->findChild<QLineEdit*>("passwordEdit")->text(), QString());
}

void CollectionTest::idleLock() {
    qputenv("PIXAMANTLER_LOCK_AFTER", "1");
    RoadHarness h;
    qunsetenv("PIXAMANTLER_LOCK_AFTER");
    QVERIFY(h.start("alice", "view"));
    writeAlbum(h);
    QVERIFY(h.openWrapped(h.path("album/a1.pff"), "view"));
    QTRY_COMPARE_WITH_TIMEOUT(status(h), QStringLiteral("Locked"), 30000);
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Nothing);
    QTRY_COMPARE(picturesOnDisk(h), QStringList());
}

// Wrapped photos and plain pictures alternate; each step, prepared ahead or not, shows the photo
// it reaches as what it is, wrapped ones described by their own fields.
void CollectionTest::alternatingFolderShowsEveryPhoto() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    const QStringList album{"a1.jpg", "a2.pff", "a3.png", "a4.pff", "a5.jpg", "a6.pff"};
    writePhotos(h, album, [&](const QString&) { return h.session.currentOwner(); });
    QVERIFY(h.openWrapped(h.path("album/a2.pff"), "view"));
    bool wasForward = true;
    for (const int place : {2, 3, 4, 5, 4, 3, 2, 1, 0, 1}) {
        const bool forward = place > shownPlace(h);
        // Each wrapped photo after a plain one, in the direction of travel, is prepared ahead.
        if (place % 2 && forward == std::exchange(wasForward, forward))
            QTRY_VERIFY(h.window.preparedAhead(h.path("album/" + album[place])));
        h.window.step(forward);
        const bool wrapped = album[place].endsWith(".pff");
        QCOMPARE(status(h), QString());
        QCOMPARE(shownPlace(h), place);
        QCOMPARE(h.window.shownPhoto().kind,
                 wrapped ? ShownPhoto::Kind::Unwrapped : ShownPhoto::Kind::Picture);
        QCOMPARE(h.window.captionText().trimmed(), wrapped ? album[place] : QString());
    }
    QVERIFY(h.platform.takeMessages().isEmpty());
    h.window.step(true);
    QTRY_VERIFY(h.window.preparedAhead(h.path("album/a4.pff")));
    // The plain picture stays; the wrapped photo unwrapped ahead of it goes.
    h.window.lock();
    QCOMPARE(shownPlace(h), 2);
    QVERIFY(!h.window.preparedAhead(h.path("album/a4.pff")));
    QTRY_COMPARE(picturesOnDisk(h), QStringList());
}

// How a wrapped photo with a damaged caption, whose message box a lock comes through, is reached.
enum class Reached { PreparedStep, RememberedOpen, UnlockWindow };

void CollectionTest::lockWhileABoxIsUpShowsNothing_data() {
    QTest::addColumn<Reached>("reached");
    QTest::newRow("step to a photo prepared ahead") << Reached::PreparedStep;
    QTest::newRow("open with a remembered password") << Reached::RememberedOpen;
    QTest::newRow("password typed in the unlock window") << Reached::UnlockWindow;
}

void CollectionTest::lockWhileABoxIsUpShowsNothing() {
    QFETCH(Reached, reached);
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    writePhotos(h, {"a1.pff", "a2.pff"}, [&](const QString&) { return h.session.currentOwner(); });
    QFile damaged(h.path("album/a2.pff"));
    QVERIFY(damaged.open(QIODevice::ReadWrite) && damaged.seek(276 + 3) && damaged.putChar(1));
    damaged.close();
    if (reached != Reached::UnlockWindow) {
        QVERIFY(h.openWrapped(h.path("album/a1.pff"), "view"));
        QTRY_VERIFY(h.window.preparedAhead(h.path("album/a2.pff")));
    }
    bool boxUp = false;
    h.platform.onNextMessage([&] {
        boxUp = true;
        h.window.lock();
    });
    if (reached == Reached::PreparedStep) h.window.step(true);
    if (reached == Reached::RememberedOpen) h.open(h.path("album/a2.pff"), 1);
    if (reached == Reached::UnlockWindow) h.openWrapped(h.path("album/a2.pff"), "view", true);
    QVERIFY(boxUp);
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Nothing);
    QCOMPARE(shownPlace(h), -1);
    if (h.unlock.window())
        QCOMPARE(h.unlock.window()->findChild<QLineEdit*>("passwordEdit")->text(), QString());
    QTRY_COMPARE(picturesOnDisk(h), QStringList());
}

QTEST_MAIN(CollectionTest)
#include "collection_test.moc"
