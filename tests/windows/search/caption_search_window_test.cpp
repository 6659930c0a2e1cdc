// The search window headless: captions of several owners' photos in the file list's order, a
// bad file stopping the listing with the right message, view opening the file of the chosen
// caption under a filter and with subfolders, and back.
#include "deep_folders.h"
#include "search_harness.h"
#include "ui/image_button.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

using namespace pixa;
using namespace pixa::ui;
namespace fs = std::filesystem;

using namespace pixatest;

class CaptionSearchWindowTest : public QObject {
    Q_OBJECT
private slots:
    void emptyFolderDisablesView();
    void listsEveryOwnersCaptionsInOrder();
    void corruptFileStopsTheListingAndNamesIt();
    void unreadableFileIsNeverCalledCorrupt();
    void viewOpensTheFileOfTheChosenCaption_data();
    void viewOpensTheFileOfTheChosenCaption();
    void viewWithoutASelectionDoesNothing();
    void backEnablesTheMainWindow();
    void stopEndsARecursiveListingPartWay();
    void subfolderSearchNamesWhatItCouldNotRead();
    void folderOpenedByKeyboardKeepsTheFocus();
};

void CaptionSearchWindowTest::emptyFolderDisablesView() {
    SearchHarness h;
    h.open();
    QVERIFY(!h.mainWindow.enabled);
    QCOMPARE(h.list()->count(), 0);
    QCOMPARE(h.view()->currentFace(), QStringLiteral("1c"));
    QVERIFY(!h.view()->isEnabled());
}

void CaptionSearchWindowTest::listsEveryOwnersCaptionsInOrder() {
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("b.pff"), "Beach with Bruno", h.bruno));
    QVERIFY(h.wrap(QStringLiteral("A.PFF"), "Anna's garden", h.anna));
    // A batch-wrapped photo carries its source path as its caption.
    QVERIFY(h.wrap(QStringLiteral("c.pff"), tagFromPath("/media/usb/photos/harbour.jpg"), h.anna));
    h.open();
    QCOMPARE(h.captions(),
             QStringList({"Anna's garden", "Beach with Bruno", "/media/usb/photos/harbour.jpg"}));
    QCOMPARE(h.list()->item(2)->text().size(), 64);
    QVERIFY(h.view()->isEnabled());
    QVERIFY(h.platform.messages().isEmpty());
}

void CaptionSearchWindowTest::corruptFileStopsTheListingAndNamesIt() {
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("1.pff"), "first", h.anna));
    QFile bad(h.folder.filePath(QStringLiteral("2.pff")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(200, 'z'));
    bad.close();
    QVERIFY(h.wrap(QStringLiteral("3.pff"), "third", h.anna));
    QVERIFY(h.wrap(QStringLiteral("4.pff"), "fourth", h.anna));
    h.open();
    QCOMPARE(h.captions(), QStringList({"first"}));
    QCOMPARE(h.platform.messages(),
             QStringList({h.folder.filePath(QStringLiteral("2.pff")) +
                          " is corrupted.\r\n\r\nDelete this file or move this file to another "
                          "folder so that yo will be able to see the rest of the files."}));
    QVERIFY(h.view()->isEnabled());
}

void CaptionSearchWindowTest::unreadableFileIsNeverCalledCorrupt() {
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("1.pff"), "first", h.anna));
    QVERIFY(::mkfifo(h.folder.filePath(QStringLiteral("2.pff")).toLocal8Bit().constData(), 0600) ==
            0);
    h.open();
    QCOMPARE(h.captions(), QStringList({"first"}));
    QCOMPARE(h.platform.messages().size(), 1);
    const QString message = h.platform.messages().first();
    QVERIFY2(message.contains(QStringLiteral("could not be read")), qPrintable(message));
    QVERIFY(!message.contains(QStringLiteral("corrupt")));
}

void CaptionSearchWindowTest::viewOpensTheFileOfTheChosenCaption_data() {
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << false << ""
                           << "Beach"
                           << "b.pff";
    QTest::newRow("filtered") << false << "GARDEN"
                              << "Garden"
                              << "g.pff";
    QTest::newRow("in a subfolder") << true << ""
                                    << "Deep"
                                    << "sub/d.pff";
    QTest::newRow("subfolder and filter") << true << "dee"
                                          << "Deep"
                                          << "sub/d.pff";
}

void CaptionSearchWindowTest::viewOpensTheFileOfTheChosenCaption() {
    QFETCH(bool, subfolders);
    QFETCH(QString, filter);
    QFETCH(QString, chosen);
    QFETCH(QString, file);
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("a.pff"), "Attic", h.anna));
    QVERIFY(h.wrap(QStringLiteral("b.pff"), "Beach", h.bruno));
    QVERIFY(h.wrap(QStringLiteral("g.pff"), "Garden", h.anna));
    QVERIFY(h.wrap(QStringLiteral("sub/d.pff"), "Deep", h.bruno));
    h.open();
    h.mainWindow.shownDescription.owner = QStringLiteral("Owner : someone");
    h.window->findChild<QCheckBox*>(QStringLiteral("subfoldersBox"))->setChecked(subfolders);
    h.window->findChild<QLineEdit*>(QStringLiteral("filterEdit"))->setText(filter);
    QCOMPARE(h.captions().size(), filter.isEmpty() ? 3 + int(subfolders) : 1);
    h.viewCaption(chosen);
    QCOMPARE(h.mainWindow.shown().ws_file, h.folder.filePath(file));
    QCOMPARE(h.mainWindow.shown().orig_file_type, QStringLiteral(".PFF"));
    QCOMPARE(h.mainWindow.shownDescription, PhotoDescription{});
    QVERIFY(!h.mainWindow.enabled);
    QTRY_VERIFY(h.window.isNull());
}

void CaptionSearchWindowTest::viewWithoutASelectionDoesNothing() {
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("a.pff"), "Attic", h.anna));
    h.open();
    h.mainWindow.rules.show({ShownPhoto::Kind::Picture, QStringLiteral("/shown.jpg"), ".JPG"},
                            false);
    emit h.view()->clicked();
    QCOMPARE(h.mainWindow.shown().ws_file, QStringLiteral("/shown.jpg"));
    QVERIFY(h.window->isVisible());
}

void CaptionSearchWindowTest::backEnablesTheMainWindow() {
    SearchHarness h;
    h.open();
    h.window->close();
    QVERIFY(h.mainWindow.enabled);
    QTRY_VERIFY(h.window.isNull());
}

void CaptionSearchWindowTest::stopEndsARecursiveListingPartWay() {
    SearchHarness h;
    for (int i = 0; i < 6; ++i)
        QVERIFY(h.wrap(QStringLiteral("f%1/p.pff").arg(i), "photo " + std::to_string(i), h.anna));
    h.open();
    QCOMPARE(h.list()->count(), 0);
    // The stop button is pressed while the third caption is listed.
    connect(h.window, &CaptionSearchWindow::fileListed, h.window, [&h](int n) {
        if (n == 3) emit h.window->findChild<QPushButton*>(QStringLiteral("stopButton"))->clicked();
    });
    h.window->findChild<QCheckBox*>(QStringLiteral("subfoldersBox"))->setChecked(true);
    QCOMPARE(h.captions(), QStringList({"photo 0    (f0)", "photo 1    (f1)", "photo 2    (f2)"}));
    QVERIFY(h.view()->isEnabled());
    QVERIFY(h.platform.messages().isEmpty());
}

void CaptionSearchWindowTest::subfolderSearchNamesWhatItCouldNotRead() {
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("a.pff"), "Attic", h.anna));
    QVERIFY(h.wrap(QStringLiteral("sub/b.pff"), "Beach", h.bruno));
    // Folders nested past the system's path limit cannot be opened by their paths.
    const std::filesystem::path root = h.folder.path().toStdString();
    const auto chain = makeFolderChain(root, 22, 200);
    h.open();
    h.window->findChild<QCheckBox*>(QStringLiteral("subfoldersBox"))->setChecked(true);
    const QStringList captions = h.captions();
    removeDeepTree(root / *chain.begin());

    QCOMPARE(captions.mid(0, 2), QStringList({"Attic", "Beach    (sub)"}));
    QCOMPARE(captions.size(), 3);
    QVERIFY2(captions[2].startsWith("Not searched: " + h.folder.filePath("ddd")),
             qPrintable(captions[2]));
    // The folder's line cannot be chosen; the captions can.
    QCOMPARE(h.list()->item(2)->flags(), Qt::NoItemFlags);
    QVERIFY(h.view()->isEnabled());
    QVERIFY(h.platform.messages().isEmpty());
}

void CaptionSearchWindowTest::folderOpenedByKeyboardKeepsTheFocus() {
    SearchHarness h;
    QVERIFY(h.wrap(QStringLiteral("sub/a.pff"), "Attic", h.anna));
    h.open();
    QVERIFY(QTest::qWaitForWindowActive(h.window));
    auto* folders = h.window->findChild<QListWidget*>(QStringLiteral("folders"));
    folders->setFocus(Qt::TabFocusReason);
    // The last entry is the subfolder "sub"; Enter opens it, and its captions are listed.
    folders->setCurrentRow(folders->count() - 1);
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(h.captions(), QStringList{"Attic"});
    QVERIFY(folders->hasFocus());
}

QTEST_MAIN(CaptionSearchWindowTest)
#include "caption_search_window_test.moc"
