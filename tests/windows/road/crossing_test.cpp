// Where the windows and running copies meet: two copies on one data folder, a wrapped photo chosen
// in the search window and then not opened, a view asked for while an unwrap runs, the steps after
// a view going through the search's list, and the end of the application in the middle of a batch
// run.
#include "road_harness.h"

#include "core/pff_file.h"
#include "ui/end_on_signals.h"
#include "ui/file_browsers.h"
#include "windows/batch/batch_wrap_window.h"
#include "windows/search/caption_search_window.h"

#include <QListWidget>
#include <QProgressBar>
#include <QtTest>

#include <csignal>
#include <memory>
#include <utility>

using namespace pixatest;
using pixa::ui::ShownPhoto;

class CrossingTest : public QObject {
    Q_OBJECT
private slots:
    void twoCopiesKeepTheirOwnPhotos_data();
    void twoCopiesKeepTheirOwnPhotos();
    void photoNotOpenedFromTheSearch_data();
    void photoNotOpenedFromTheSearch();
    void viewWhileAnUnwrapRuns();
    void stepsFollowTheSearch();
    void exitDuringABatchRun();
    void endingSignalAfterAnUnlock_data();
    void endingSignalAfterAnUnlock();
};

namespace {

// The picture `pff` holds, unwrapped; empty when it cannot be read.
QByteArray unwrappedBytes(const QString& pff, const QString& scratch) {
    try {
        pixa::PffReader(pff.toStdString()).unwrapTo(scratch.toStdString());
    } catch (const pixa::Failure&) {
        return {};
    }
    return contents(scratch);
}

// Wraps the picture `source` in the window under `name` (.pff) with `caption`.
void wrapInWindow(RoadHarness& h, const QString& source, const QString& name) {
    h.open(source, 2);
    QTest::keyClicks(h.window.findChild<QLineEdit*>(QStringLiteral("captionEdit")), name);
    h.save(h.path(name), 1);
}

// Opens the search window on the harness's folder and views the caption `caption`.
QPointer<pixa::ui::CaptionSearchWindow> viewInSearch(RoadHarness& h, const QString& caption) {
    QDir::setCurrent(h.root);
    QPointer<pixa::ui::CaptionSearchWindow> search =
        new pixa::ui::CaptionSearchWindow(h.window, h.platform, h.unlock);
    search->show();
    auto* list = search->findChild<QListWidget*>(QStringLiteral("captionList"));
    for (int j = 0; j < list->count(); ++j)
        if (list->item(j)->text().trimmed() == caption) list->setCurrentRow(j);
    emit search->findChild<pixa::ui::ImageButton*>(QStringLiteral("viewButton"))->clicked();
    return search;
}

} // namespace

void CrossingTest::twoCopiesKeepTheirOwnPhotos_data() {
    QTest::addColumn<QString>("second"); // what the second copy does after its own unlock
    QTest::newRow("nothing more") << "";
    QTest::newRow("a wrong password") << "wrong";
    QTest::newRow("exit") << "exit";
}

void CrossingTest::twoCopiesKeepTheirOwnPhotos() {
    QFETCH(QString, second);
    RoadHarness a;
    QVERIFY(a.start("alice", "view"));
    const QString x = a.picture("x.bmp", QSize(640, 480), "bmp");
    const QString y = a.picture("y.bmp", QSize(300, 200), "bmp");
    wrapInWindow(a, x, "x");
    wrapInWindow(a, y, "y");
    QCOMPARE(a.platform.takeMessages(), savedPicture(x) + savedPicture(y));

    auto b = std::make_unique<RoadHarness>(&a);
    QVERIFY(b->startLoggedIn("alice"));
    QVERIFY(a.openWrapped(a.path("x.pff"), "view"));
    QVERIFY(b->openWrapped(a.path("y.pff"), "view"));
    QVERIFY(a.unwrapped() != b->unwrapped());
    if (second == "wrong") {
        // A lock of one copy leaves the other's photo; then its password is asked again.
        b->window.lock();
        QVERIFY(b->openWrapped(a.path("x.pff"), "nope"));
        QCOMPARE(b->platform.takeMessages(), QStringList{"Invalid password"});
    }
    if (second == "exit") {
        QTest::mouseClick(b->button("exitButton"), Qt::LeftButton);
        QVERIFY(b->platform.applicationEnded());
        b.reset();
    }

    // Each copy saves the photo it shows.
    QVERIFY(contents(a.unwrapped()) == contents(x));
    a.save(a.path("x-again"), 1);
    QCOMPARE(a.platform.takeMessages(), QStringList{"File saved"});
    QVERIFY(unwrappedBytes(a.path("x-again.pff"), a.path("check.bmp")) == contents(x));
    if (b && second != "wrong") {
        b->save(a.path("y-again"), 1);
        QCOMPARE(b->platform.takeMessages(), QStringList{"File saved"});
        QVERIFY(unwrappedBytes(a.path("y-again.pff"), a.path("check.bmp")) == contents(y));
    }
}

void CrossingTest::photoNotOpenedFromTheSearch_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("closed by X") << "X";
    QTest::newRow("wrong password") << "wrong";
    QTest::newRow("file cut before the unlock") << "cut";
}

void CrossingTest::photoNotOpenedFromTheSearch() {
    QFETCH(QString, how);
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    const QString shown = h.picture("shown.bmp", QSize(640, 480), "bmp");
    wrapInWindow(h, h.picture("other.bmp", QSize(300, 200), "bmp"), "other");
    h.open(shown, 2);
    h.platform.takeMessages();
    const QString typed = QStringLiteral("Typed for the photo on screen");
    QTest::keyClicks(h.window.findChild<QLineEdit*>(QStringLiteral("captionEdit")), typed);

    const auto search = viewInSearch(h, "other");
    pixa::ui::UnlockWindow* unlock = h.unlock.window();
    QVERIFY(unlock && QTest::qWaitForWindowActive(unlock));
    QVERIFY(!h.button("saveButton")->isEnabled());
    if (how == "X") {
        QTest::mouseClick(unlock->findChild<QWidget*>(QStringLiteral("closeButton")),
                          Qt::LeftButton);
    } else {
        if (how == "cut") QFile::resize(h.path("other.pff"), 3000);
        type(unlock, {{"passwordEdit", how == "wrong" ? "nope" : "view"}});
        QTest::mouseClick(unlock->findChild<QWidget*>(QStringLiteral("unlockButton")),
                          Qt::LeftButton);
    }
    QVERIFY(h.window.isEnabled());
    QCOMPARE(h.window.shownPhoto().ws_file, shown);
    // Described as before: the caption typed for it, and no file's fields.
    QCOMPARE(h.window.captionText(), typed);
    QCOMPARE(h.labels(), QStringList({"", "", "", ""}));

    // Save wraps the photo on screen, never the wrapped photo that was not opened.
    h.platform.takeMessages();
    QVERIFY(h.button("saveButton")->isEnabled());
    h.save(h.path("saved"), 1);
    QCOMPARE(h.platform.takeMessages(), savedPicture(shown));
    QVERIFY(unwrappedBytes(h.path("saved.pff"), h.path("check.bmp")) == contents(shown));
    QCOMPARE(QString::fromStdString(pixa::PffReader(h.path("saved.pff").toStdString()).info().tag)
                 .trimmed(),
             typed);
}

void CrossingTest::viewWhileAnUnwrapRuns() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    wrapInWindow(h, h.picture("first.bmp", QSize(800, 600), "bmp"), "first");
    wrapInWindow(h, h.picture("second.bmp", QSize(300, 200), "bmp"), "second");
    h.platform.takeMessages();

    // While the first photo unwraps, the search window is opened and the second photo viewed.
    QPointer<pixa::ui::CaptionSearchWindow> search;
    bool asked = false;
    // The unlock window shows the unwrap's progress.
    h.open(h.path("first.pff"), 1);
    QVERIFY(h.unlock.window());
    auto* bar = h.unlock.window()->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    connect(bar, &QProgressBar::valueChanged, this, [&] {
        if (!std::exchange(asked, true)) search = viewInSearch(h, "second");
    });
    QVERIFY(h.openWrapped(h.path("first.pff"), "view"));
    QVERIFY(asked);
    QCOMPARE(h.platform.takeMessages(), QStringList{pixa::ui::ViewerUnlock::busyText()});
    QVERIFY(search && search->isVisible());
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Unwrapped);
    QVERIFY(contents(h.unwrapped()) == contents(h.path("first.bmp")));

    // Once it is shown, the same view opens the second, whose password is remembered now.
    emit search->findChild<pixa::ui::ImageButton*>(QStringLiteral("viewButton"))->clicked();
    QTRY_VERIFY(search.isNull());
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Unwrapped);
    QVERIFY(contents(h.unwrapped()) == contents(h.path("second.bmp")));
}

void CrossingTest::stepsFollowTheSearch() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    wrapInWindow(h, h.picture("a-src.bmp", QSize(640, 480), "bmp"), "a");
    h.picture("b.bmp", QSize(300, 200), "bmp");
    wrapInWindow(h, h.picture("c-src.bmp", QSize(320, 240), "bmp"), "c");
    h.platform.takeMessages();
    viewInSearch(h, "a");
    QVERIFY(h.unlock.window() && QTest::qWaitForWindowActive(h.unlock.window()));
    type(h.unlock.window(), {{"passwordEdit", "view"}});
    QTest::keyClick(h.unlock.window()->findChild<QLineEdit*>("passwordEdit"), Qt::Key_Return);
    // The search listed the wrapped photos only: the picture after a.pff in the folder is not a
    // step, and c.pff opens with the password given.
    h.window.step(true);
    QCOMPARE(h.window.shownPhoto().kind, ShownPhoto::Kind::Unwrapped);
    QCOMPARE(h.window.shownPicture().size(), QSize(320, 240));
}

void CrossingTest::exitDuringABatchRun() {
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    QDir(h.root).mkdir("photos");
    QDir(h.root).mkdir("wrapped");
    for (int i = 1; i <= 40; ++i)
        h.picture(QStringLiteral("photos/p%1.bmp").arg(i, 2, 10, QLatin1Char('0')), QSize(200, 150),
                  "bmp");
    QPointer<pixa::ui::BatchWrapWindow> batch =
        new pixa::ui::BatchWrapWindow(h.session, h.platform);
    batch->show();
    batch->findChild<pixa::ui::FolderList*>(QStringLiteral("sourceFolders"))
        ->setPath(h.path("photos"));
    batch->findChild<pixa::ui::FolderList*>(QStringLiteral("destinationFolders"))
        ->setPath(h.path("wrapped"));
    batch->findChild<pixa::ui::FileList*>(QStringLiteral("photoList"))->selectAll();

    // The main window's exit is pressed part way through the third photo's blocks.
    int started = 0;
    int stepsAfterExit = 0;
    connect(batch, &pixa::ui::BatchWrapWindow::fileStarting, this, [&](int k) { started = k; });
    auto* bar = batch->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    connect(bar, &QProgressBar::valueChanged, this, [&](int value) {
        if (h.platform.applicationEnded()) ++stepsAfterExit;
        if (started == 3 && value >= 10 && !h.platform.applicationEnded())
            QTest::mouseClick(h.button("exitButton"), Qt::LeftButton);
    });
    emit batch->findChild<pixa::ui::ImageButton*>(QStringLiteral("startButton"))->clicked();

    // The run ended where it was: no further block, no further photo, no message; only the two
    // whole files stay, and nothing half-written.
    QVERIFY(h.platform.applicationEnded());
    QCOMPARE(started, 3);
    QCOMPARE(stepsAfterExit, 0);
    QCOMPARE(h.platform.messages(), QStringList());
    const QDir wrapped(h.path("wrapped"));
    QCOMPARE(wrapped.entryList(QDir::Files | QDir::Hidden), (QStringList{"p01.pff", "p02.pff"}));
    for (const QString name : {"p01", "p02"}) {
        QVERIFY(unwrappedBytes(wrapped.filePath(name + ".pff"), h.path("check.bmp")) ==
                contents(h.path("photos/" + name + ".bmp")));
    }
    delete batch.data();
}

void CrossingTest::endingSignalAfterAnUnlock_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void CrossingTest::endingSignalAfterAnUnlock() {
    QFETCH(int, signal);
    RoadHarness h;
    QVERIFY(h.start("alice", "view"));
    wrapInWindow(h, h.picture("photo.bmp", QSize(640, 480), "bmp"), "photo");
    QVERIFY(h.openWrapped(h.path("photo.pff"), "view"));
    QCOMPARE(h.unwrappedPictures(), QStringList{h.unwrapped()});

    // As the application wires it: the signal does what the exit button does.
    const pixa::ui::EndOnSignals ending(&h.window, [&h] { h.window.exit(); });
    ::raise(signal);
    QTRY_VERIFY(h.platform.applicationEnded());
    QCOMPARE(h.unwrappedPictures(), QStringList());
}

QTEST_MAIN(CrossingTest)
#include "crossing_test.moc"
