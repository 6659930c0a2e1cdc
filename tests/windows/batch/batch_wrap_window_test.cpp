// The batch window headless: what a run writes and counts, aborts by button and by frame close,
// a source that vanishes mid-run, the names it gives, the originals moved to the trash, and the
// path captions.
#include "batch_harness.h"
#include "core/codepage.h"
#include "core/pff_file.h"
#include "private_trash.h"
#include "ui/file_browsers.h"
#include "ui/image_button.h"

#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace pixa;
using namespace pixa::ui;
namespace fs = std::filesystem;

using namespace pixatest;

class BatchWrapWindowTest : public QObject {
    Q_OBJECT
private slots:
    void runWritesTheSelectedPhotos_data();
    void runWritesTheSelectedPhotos();
    void abortLetsTheCurrentFileFinish();
    void frameCloseDuringARunAbortsThenCloses();
    void vanishedSourceIsSkippedAndListed();
    void browsingDuringARun();
    void secondPhotoForOneTargetIsRefusedNotLost();
    void originalsToTheTrash_data();
    void originalsToTheTrash();
    void pathCaptionCutsAtTwentyCharacters_data();
    void pathCaptionCutsAtTwentyCharacters();
    void pathLabelsStayInsideAndShowTheWholePath_data();
    void pathLabelsStayInsideAndShowTheWholePath();
};

namespace {

// The label shows all of its text inside its own room, however many lines it takes.
bool textFits(const QLabel* label) {
    const QFontMetrics metrics(label->font());
    // Measured as the label measures itself: a vertical centring in the tall rectangle would
    // round the height up by a pixel.
    const QRect needed = metrics.boundingRect(
        QRect(0, 0, label->width(), 1000),
        int(label->alignment() & Qt::AlignHorizontal_Mask) | Qt::TextWordWrap, label->text());
    return needed.width() <= label->width() && needed.height() <= label->height() &&
           label->geometry().right() < label->window()->width();
}

} // namespace

void BatchWrapWindowTest::runWritesTheSelectedPhotos_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<int>("size");
    QTest::newRow("nothing selected")
        << QStringList{"a.jpg"} << QStringList{} << QStringList{} << 3000;
    QTest::newRow("first dot names, last dot types")
        << QStringList{"a.b.jpg"} << QStringList{"a.b.jpg"} << QStringList{"a.pff"} << 3000;
    // Linux tells the two names apart, so neither photo replaces the other.
    QTest::newRow("letter case keeps two files")
        << QStringList{"A.BMP", "a.jpg"} << QStringList{"A.BMP", "a.jpg"}
        << QStringList{"A.pff", "a.pff"} << 3000;
    QTest::newRow("unselected stay") << QStringList{"x.bmp", "y.bmp", "z.bmp"}
                                     << QStringList{"y.bmp"} << QStringList{"y.pff"} << 3000;
    QTest::newRow("no whole block")
        << QStringList{"tiny.jpg"} << QStringList{"tiny.jpg"} << QStringList{"tiny.pff"} << 100;
    // Listed by their names; the type is the extension cut to four characters.
    QTest::newRow("every photo kind is listed")
        << QStringList{"a.png", "b.HEIC", "c.webp", "d.tiff", "e.gif", "f.jpeg"}
        << QStringList{"a.png", "b.HEIC", "c.webp", "d.tiff", "e.gif", "f.jpeg"}
        << QStringList{"a.pff", "b.pff", "c.pff", "d.pff", "e.pff", "f.pff"} << 3000;
}

void BatchWrapWindowTest::runWritesTheSelectedPhotos() {
    QFETCH(QStringList, present);
    QFETCH(QStringList, selected);
    QFETCH(QStringList, targets);
    QFETCH(int, size);
    BatchHarness h;
    for (const QString& name : present)
        writePhoto(h.sources.filePath(name), size);
    // Existing destinations are replaced without a question.
    for (const QString& target : targets)
        writePhoto(h.destination.filePath(target), 10, 'x');
    h.select(selected);
    h.control<ImageButton>("startButton")->clicked();

    QCOMPARE(h.status(), QStringLiteral("Total %1 saved.").arg(targets.size()));
    QCOMPARE(QDir(h.destination.path()).entryList({"*.pff"}).size(), targets.size());
    for (const QString& target : targets) {
        PffReader reader(h.destination.filePath(target).toStdString());
        const QString source = selected[targets.indexOf(target)];
        QCOMPARE(reader.info().pictureSize(), size);
        QCOMPARE(QString::fromStdString(fromCodePage(reader.info().tag)).trimmed(),
                 h.sources.filePath(source));
        QCOMPARE(QString::fromStdString(fromCodePage(reader.info().fileType)),
                 source.mid(source.lastIndexOf(QLatin1Char('.'))).left(4));
    }
    // Idle again.
    QVERIFY(h.control<ImageButton>("backButton")->isEnabled());
    QVERIFY(h.control<ImageButton>("startButton")->isEnabled());
    QCOMPARE(h.control<ImageButton>("abortButton")->currentFace(), QStringLiteral("10c"));
    QVERIFY(h.platform.messages().isEmpty());
}

void BatchWrapWindowTest::abortLetsTheCurrentFileFinish() {
    BatchHarness h;
    QStringList names;
    for (int i = 1; i <= 5; ++i) {
        names << QStringLiteral("p%1.jpg").arg(i);
        writePhoto(h.sources.filePath(names.last()), 50000);
    }
    h.select(names);
    bool waitingFits = false;
    connect(h.window, &BatchWrapWindow::fileStarting, h.window, [&h, &waitingFits](int k) {
        if (k != 3) return;
        h.control<ImageButton>("abortButton")->clicked();
        waitingFits = h.status() == QStringLiteral("Saving 3 of 5 files....wait") &&
                      textFits(h.control<QLabel>("statusLabel"));
    });
    h.control<ImageButton>("startButton")->clicked();
    QVERIFY(waitingFits);
    // The total as it always reads, then what the stop left out.
    QCOMPARE(h.status(), QStringLiteral("Total 3 saved. Stopped, 2 left."));
    QVERIFY(textFits(h.control<QLabel>("statusLabel")));
    QVERIFY(h.written("p3.pff"));
    QVERIFY(!h.written("p4.pff"));
    QCOMPARE(h.control<ImageButton>("abortButton")->currentFace(), QStringLiteral("10c"));
}

void BatchWrapWindowTest::frameCloseDuringARunAbortsThenCloses() {
    BatchHarness h;
    writePhoto(h.sources.filePath(QStringLiteral("a.jpg")), 5000);
    writePhoto(h.sources.filePath(QStringLiteral("b.jpg")), 5000);
    h.select({"a.jpg", "b.jpg"});
    connect(h.window, &BatchWrapWindow::fileStarting, h.window, [&h] { h.window->close(); });
    h.control<ImageButton>("startButton")->clicked();
    QVERIFY(h.written("a.pff"));
    QVERIFY(!h.written("b.pff"));
    QTRY_VERIFY(h.window.isNull());
}

void BatchWrapWindowTest::vanishedSourceIsSkippedAndListed() {
    BatchHarness h;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        writePhoto(h.sources.filePath(name), 4000);
    h.select({"a.jpg", "b.jpg", "c.jpg"});
    QVERIFY(QFile::remove(h.sources.filePath(QStringLiteral("b.jpg"))));
    h.control<ImageButton>("startButton")->clicked();
    QCOMPARE(h.status(), QStringLiteral("Total 2 saved."));
    QVERIFY(h.written("a.pff") && h.written("c.pff") && !h.written("b.pff"));
    QCOMPARE(h.platform.messages().size(), 1);
    const QString message = h.platform.messages().first();
    QVERIFY2(message.contains(h.sources.filePath(QStringLiteral("b.jpg"))), qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("error 53")));
    QVERIFY(h.control<ImageButton>("startButton")->isEnabled());
}

void BatchWrapWindowTest::browsingDuringARun() {
    BatchHarness h;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        writePhoto(h.sources.filePath(name), 4000);
    h.select({"a.jpg", "b.jpg", "c.jpg"});
    connect(h.window, &BatchWrapWindow::fileStarting, h.window, [&h](int k) {
        // The user browses on: the run keeps to the photos chosen at its start.
        if (k == 1) h.control<FolderList>("sourceFolders")->setPath(h.destination.path());
    });
    h.control<ImageButton>("startButton")->clicked();
    QCOMPARE(h.status(), QStringLiteral("Total 3 saved."));
    QVERIFY(h.written("a.pff") && h.written("b.pff") && h.written("c.pff"));
    QVERIFY(h.platform.messages().isEmpty());
}

void BatchWrapWindowTest::secondPhotoForOneTargetIsRefusedNotLost() {
    BatchHarness h;
    QVERIFY(writePhoto(h.sources.filePath(QStringLiteral("a.bmp")), 4000, 'b'));
    QVERIFY(writePhoto(h.sources.filePath(QStringLiteral("a.jpg")), 5000, 'j'));
    h.select({"a.bmp", "a.jpg"});
    h.control<ImageButton>("startButton")->clicked();
    QCOMPARE(h.status(), QStringLiteral("Total 1 saved."));
    PffReader reader(h.destination.filePath(QStringLiteral("a.pff")).toStdString());
    QCOMPARE(reader.info().pictureSize(), 4000);
    QCOMPARE(h.platform.messages().size(), 1);
    // The photo is named once in its line.
    const QString message = h.platform.messages().first();
    QCOMPARE(message.count(h.sources.filePath(QStringLiteral("a.jpg"))), 1);
}

void BatchWrapWindowTest::originalsToTheTrash_data() {
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("changeB"); // b.jpg changes once it has been read for its wrap
    QTest::addColumn<QStringList>("trashed");
    QTest::newRow("off: nothing moved") << false << false << QStringList{};
    QTest::newRow("on: each original once read back")
        << true << false << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("on: a changed original stays") << true << true << QStringList{"a.jpg"};
}

void BatchWrapWindowTest::originalsToTheTrash() {
    QFETCH(bool, checked);
    QFETCH(bool, changeB);
    QFETCH(QStringList, trashed);
    PrivateTrash trash;
    BatchHarness h;
    for (const char* name : {"a.jpg", "b.jpg"})
        QVERIFY(writePhoto(h.sources.filePath(name), 50000));
    h.select({"a.jpg", "b.jpg"});
    auto* box = h.control<QCheckBox>("trashOriginalsBox");
    QVERIFY(!box->isChecked() && box->isEnabled());
    QVERIFY(box->geometry().right() < h.window->width() &&
            box->sizeHint().width() <= box->width() && box->sizeHint().height() <= box->height());
    box->setChecked(checked);
    int current = 0;
    bool lockedDuringRun = true;
    connect(h.window, &BatchWrapWindow::fileStarting, h.window, [&](int k) {
        current = k;
        lockedDuringRun = lockedDuringRun && !box->isEnabled();
    });
    // The writer has read the photo whole before its first block is reported.
    connect(h.control<QProgressBar>("progressBar"), &QProgressBar::valueChanged, h.window,
            [&](int value) {
                if (!changeB || current != 2 || value == 0) return;
                changeB = false;
                QFile b(h.sources.filePath(QStringLiteral("b.jpg")));
                QVERIFY(b.open(QIODevice::ReadWrite) && b.seek(100) && b.write("!", 1) == 1);
            });
    h.control<ImageButton>("startButton")->clicked();

    QCOMPARE(h.status(), QStringLiteral("Total 2 saved."));
    QVERIFY(h.written("a.pff") && h.written("b.pff"));
    QVERIFY(lockedDuringRun && box->isEnabled());
    QCOMPARE(trash.trashedFrom(h.sources.path()), trashed);
    for (const char* name : {"a.jpg", "b.jpg"})
        QCOMPARE(QFile::exists(h.sources.filePath(name)), !trashed.contains(name));
    // What moved leaves the photo list.
    for (const char* name : {"a.jpg", "b.jpg"}) {
        const QList<QListWidgetItem*> listed =
            h.control<FileList>("photoList")->findItems(name, Qt::MatchExactly);
        QCOMPARE(listed.isEmpty(), trashed.contains(name));
    }
    QStringList expected;
    if (!trashed.isEmpty())
        expected << "Moved to the trash from " + h.sources.path() + ":\r\n\r\n" +
                        trashed.join("\r\n");
    if (checked && trashed.size() < 2) {
        expected << "Kept in " + h.sources.path() + ", not moved to the trash:\r\n\r\nb.jpg" +
                        ": its wrapped photo did not read back the same (Device I/O error: " +
                        h.destination.filePath("b.pff") + " differs from " +
                        h.sources.filePath("b.jpg") + " at offset 100)";
    }
    QCOMPARE(h.platform.messages(),
             expected.isEmpty() ? QStringList{} : QStringList{expected.join("\r\n\r\n")});
}

void BatchWrapWindowTest::pathCaptionCutsAtTwentyCharacters_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::newRow("19 whole") << "/home/anna/photos/x"
                              << "Path : /home/anna/photos/x";
    QTest::newRow("20 cut") << "/home/anna/photos/xy"
                            << "Path : /home/anna/photos/xy....";
    QTest::newRow("root") << "/"
                          << "Path : /";
}

void BatchWrapWindowTest::pathCaptionCutsAtTwentyCharacters() {
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(pathCaption(path), caption);
}

void BatchWrapWindowTest::pathLabelsStayInsideAndShowTheWholePath_data() {
    QTest::addColumn<QString>("source"); // under the source folder
    QTest::addColumn<QString>("target"); // under the destination folder
    QTest::newRow("short") << "a"
                           << "b";
    QTest::newRow("deep, with its chain longer than the list") << "a/b/c/d/e/f/g"
                                                               << "h/i/j/k/l/m";
    QTest::newRow("siblings with a long common start") << "holiday photographs 2026/august"
                                                       << "holiday photographs 2026/august-wrapped";
}

void BatchWrapWindowTest::pathLabelsStayInsideAndShowTheWholePath() {
    QFETCH(QString, source);
    QFETCH(QString, target);
    BatchHarness h;
    QVERIFY(QDir(h.sources.path()).mkpath(source));
    QVERIFY(QDir(h.destination.path()).mkpath(target));
    auto* from = h.control<FolderList>("sourceFolders");
    auto* to = h.control<FolderList>("destinationFolders");
    from->setPath(h.sources.filePath(source));
    to->setPath(h.destination.filePath(target));
    for (const auto& [label, list] : {std::pair{h.control<QLabel>("sourcePathLabel"), from},
                                      std::pair{h.control<QLabel>("destinationPathLabel"), to}}) {
        QCOMPARE(label->text(), pathCaption(list->path()));
        QVERIFY2(textFits(label), qPrintable(label->objectName()));
        QCOMPARE(label->toolTip(), list->path());
        // The open folder is the list's current entry, selected and in sight.
        QCOMPARE(list->currentItem()->data(Qt::UserRole).toString(), list->path());
        QVERIFY(list->currentItem()->isSelected());
        QCOMPARE(list->currentItem()->toolTip(), list->path());
        const QRect row = list->visualItemRect(list->currentItem());
        QVERIFY(row.top() >= 0 && row.bottom() <= list->viewport()->height());
    }
}

QTEST_MAIN(BatchWrapWindowTest)
#include "batch_wrap_window_test.moc"
