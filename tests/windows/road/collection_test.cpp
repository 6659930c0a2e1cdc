// A folder walked through as a collection: steps in natural order across wrapped photos of two
// viewer passwords and plain pictures, the passwords remembered once given, the grid of its
// photos, and the lock, by key and by idleness, that forgets them and takes every unwrapped
// picture away.
#include "road_harness.h"

#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"
#include "windows/main/photo_grid.h"
#include "windows/main/tile_model.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>

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
    void gridShowsEachKindAndLocksBack_data();
    void gridShowsEachKindAndLocksBack();
    void gridKeysKeepThePlace();
    void exitStopsTheGridsWork();
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

// Every file under `folder` but the unwrapped pictures, which the viewer keeps in memory.
QStringList filesUnder(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString file = it.next(); !QFileInfo(file).fileName().startsWith("~~tmp"))
            found << file;
    found.sort();
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

using pixa::ui::Tile;

void CollectionTest::gridShowsEachKindAndLocksBack_data() {
    QTest::addColumn<bool>("lockWhileMaking");
    QTest::newRow("lock once the tiles are made") << false;
    QTest::newRow("lock while the tiles are made") << true;
}

// The grid of a mixed folder shows each file as what it is, a wrapped photo's own picture only
// while its password is remembered; a lock turns those back into lock tiles, even one made while
// the lock came, and no thumbnail is written anywhere.
void CollectionTest::gridShowsEachKindAndLocksBack() {
    QFETCH(bool, lockWhileMaking);
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    writeAlbum(h);
    QVERIFY(h.openWrapped(h.path("album/a1.pff"), "view"));
    const QString thumbnails = QDir::homePath() + "/.cache/thumbnails";
    const QStringList before = filesUnder(h.root);
    const QStringList thumbnailsBefore = filesUnder(thumbnails);
    QTest::keyClick(&h.window, Qt::Key_Escape);
    const pixa::ui::PhotoGrid& grid = h.window.grid();
    QVERIFY(grid.shown());
    const auto tile = [&](const char* name) -> const Tile& {
        return grid.tiles().tile(grid.tiles().rowOf(h.path(QStringLiteral("album/") + name)));
    };
    const auto spoken = [&](const char* name) {
        const int row = grid.tiles().rowOf(h.path(QStringLiteral("album/") + name));
        return grid.tiles().index(row).data(Qt::AccessibleTextRole).toString();
    };
    if (lockWhileMaking) h.window.lock();
    QTRY_VERIFY_WITH_TIMEOUT(!grid.working(), 30000);
    if (!lockWhileMaking) {
        const struct {
            const char* name;
            Tile::State state;
            bool picture;
            const char* spoken;
        } expected[] = {
            {"a1.pff", Tile::State::Wrapped, true, "a1.pff, a1.pff"},
            {"a3.jpg", Tile::State::Picture, true, "a3.jpg"},
            {"b0.jpg", Tile::State::Broken, false, "b0.jpg, Not a photo"},
            {"b1.pff", Tile::State::Wrapped, false, "b1.pff, b1.pff, locked"},
            {"b3.png", Tile::State::Picture, true, "b3.png"},
        };
        for (const auto& one : expected) {
            QCOMPARE(tile(one.name).state, one.state);
            QCOMPARE(!tile(one.name).thumbnail.isNull(), one.picture);
            QCOMPARE(spoken(one.name), QString::fromLatin1(one.spoken));
        }
        QCOMPARE(tile("b1.pff").owner, QStringLiteral("bob"));
        // Made at the box's size from a picture 202 wide.
        QCOMPARE(tile("a3.jpg").thumbnail.width(), grid.edge());
        h.window.lock();
        QTRY_VERIFY(!grid.working());
    }
    for (int row = 0; row < grid.tiles().count(); ++row) {
        const Tile& one = grid.tiles().tile(row);
        QVERIFY2(!one.unwrapped && (one.state != Tile::State::Wrapped || one.thumbnail.isNull()),
                 qPrintable(one.name));
    }
    QCOMPARE(spoken("a1.pff"), QStringLiteral("a1.pff, a1.pff, locked"));
    QVERIFY(!tile("a3.jpg").thumbnail.isNull());
    QCOMPARE(filesUnder(h.root), before);
    QCOMPARE(filesUnder(thumbnails), thumbnailsBefore);
}

// Escape shows the grid at the photo on screen; keys move, Enter shows the photo chosen, wrapped
// or plain, and Escape comes back to it; Ctrl and the wheel size the tiles.
void CollectionTest::gridKeysKeepThePlace() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    writeAlbum(h);
    h.open(h.path("album/a3.jpg"), 1);
    QTest::keyClick(&h.window, Qt::Key_Escape);
    auto* view = h.window.findChild<QListView*>("photoGrid");
    QVERIFY(view->isVisible());
    QCOMPARE(h.window.focusWidget(), view);
    const auto current = [view] { return view->currentIndex().data().toString(); };
    QCOMPARE(current(), QStringLiteral("a3.jpg"));
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(current(), QStringLiteral("a10.pff"));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(h.unlock.window() && QTest::qWaitForWindowActive(h.unlock.window()));
    QVERIFY(!view->isVisible());
    type(h.unlock.window(), {{"passwordEdit", "view"}});
    QTest::keyClick(h.unlock.window()->findChild<QLineEdit*>("passwordEdit"), Qt::Key_Return);
    QCOMPARE(shownPlace(h), 3);
    QTest::keyClick(&h.window, Qt::Key_Escape);
    QVERIFY(view->isVisible());
    QCOMPARE(current(), QStringLiteral("a10.pff"));
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(current(), QStringLiteral("b3.png"));
    QTest::keyClick(view, Qt::Key_Enter);
    QTRY_COMPARE(shownPlace(h), 6);
    QTest::keyClick(&h.window, Qt::Key_Escape);
    QCOMPARE(current(), QStringLiteral("b3.png"));
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(current(), QStringLiteral("a1.pff"));

    const int edge = h.window.grid().edge();
    QWheelEvent wheel(QPointF(20, 20), view->mapToGlobal(QPointF(20, 20)), {}, {0, 120},
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &wheel);
    QVERIFY(h.window.grid().edge() > edge);
}

// The exit while the grid's workers have hundreds of photos before them ends their work at once,
// not after the last thumbnail: the application would otherwise wait for them as it goes.
void CollectionTest::exitStopsTheGridsWork() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    QDir(h.root).mkdir("many");
    const QString first = h.picture("many/p000.jpg", QSize(1600, 1200), "jpeg");
    for (int i = 1; i < 300; ++i)
        QVERIFY(QFile::copy(first, h.path(QString::asprintf("many/p%03d.jpg", i))));
    h.open(first, 1);
    h.window.switchGrid();
    QVERIFY(h.window.grid().working());
    QVERIFY(!h.platform.work().empty());
    h.window.exit();
    QVERIFY(h.platform.applicationEnded());
    QTRY_VERIFY(!h.window.grid().working());
    QTRY_VERIFY(h.platform.work().empty());
}
