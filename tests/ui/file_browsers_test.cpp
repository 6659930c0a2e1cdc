// The browsing controls: path joining at a root, the volume of a path, the file list's patterns
// and order, and the folder list's chain, refusals and memory of each volume's folder.
#include "core/error.h"
#include "ui/file_browsers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pixa;
using namespace pixa::ui;

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class FileBrowsersTest : public QObject {
    Q_OBJECT
private slots:
    void joinsWithoutDoublingTheSeparator_data();
    void joinsWithoutDoublingTheSeparator();
    void findsTheVolumeOfAPath_data();
    void findsTheVolumeOfAPath();
    void fileListMatchesPatternsInAnyCaseSortedByName();
    void folderListShowsTheChainAndOpensSubfolders();
    void folderListKeepsItsFolderWhenTheNewOneCannotBeRead();
    void folderListReturnsToTheFolderLastShownOnAVolume();
    void driveSelectorRestoresWithoutAChangeEvent();
    void driveThatCannotBeReadReturnsTheSelector();
};

void FileBrowsersTest::joinsWithoutDoublingTheSeparator_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("joined");
    QTest::newRow("root") << "/"
                          << "/a.pff";
    QTest::newRow("folder") << "/media/photos"
                            << "/media/photos/a.pff";
    QTest::newRow("trailing separator") << "/media/photos/"
                                        << "/media/photos/a.pff";
}

void FileBrowsersTest::joinsWithoutDoublingTheSeparator() {
    QFETCH(QString, folder);
    QFETCH(QString, joined);
    QCOMPARE(joinPath(folder, QStringLiteral("a.pff")), joined);
}

void FileBrowsersTest::findsTheVolumeOfAPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("root");
    QTest::newRow("system") << "/home/anna"
                            << "/";
    QTest::newRow("mount point itself") << "/media/usb"
                                        << "/media/usb";
    QTest::newRow("inside the mount") << "/media/usb/photos"
                                      << "/media/usb";
    QTest::newRow("a sibling sharing a prefix") << "/media/usb2/x"
                                                << "/";
    QTest::newRow("the deeper mount wins") << "/media/usb/inner/x"
                                           << "/media/usb/inner";
}

void FileBrowsersTest::findsTheVolumeOfAPath() {
    QFETCH(QString, path);
    QFETCH(QString, root);
    const QList<Volume> volumes = {{"/", "/"}, {"/media/usb", "usb"}, {"/media/usb/inner", "in"}};
    QCOMPARE(volumeRootOf(volumes, path), root);
}

void FileBrowsersTest::fileListMatchesPatternsInAnyCaseSortedByName() {
    QTemporaryDir dir;
    for (const char* name : {"b.JPG", "A.bmp", "c.png", "a.jpeg", "d.Bmp", "e.jpg"})
        touch(dir.filePath(name));
    QDir(dir.path()).mkdir(QStringLiteral("folder.jpg"));
    FileList list;
    list.setPattern(QStringLiteral("*.bmp;*.jpg"));
    list.setFolder(dir.path());
    QStringList names;
    for (int i = 0; i < list.entryCount(); ++i)
        names << list.name(i);
    QCOMPARE(names, QStringList({"A.bmp", "b.JPG", "d.Bmp", "e.jpg"}));
}

void FileBrowsersTest::folderListShowsTheChainAndOpensSubfolders() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("photos/2024"));
    FolderList folders;
    folders.setVolumes({{"/", "/"}});
    QSignalSpy changed(&folders, &FolderList::pathChanged);
    folders.setPath(dir.path());
    QCOMPARE(folders.path(), dir.path());
    QCOMPARE(changed.count(), 1);
    // The chain from "/" down to the folder, then its one subfolder.
    const int depth = dir.path().count(QLatin1Char('/'));
    QCOMPARE(folders.count(), depth + 2);
    QCOMPARE(folders.item(0)->data(Qt::UserRole).toString(), QStringLiteral("/"));
    QListWidgetItem* sub = folders.item(folders.count() - 1);
    emit folders.itemActivated(sub);
    QCOMPARE(folders.path(), dir.filePath(QStringLiteral("photos")));
    QCOMPARE(changed.count(), 2);
    folders.setPath(dir.filePath(QStringLiteral("photos")));
    QCOMPARE(changed.count(), 2);
}

void FileBrowsersTest::folderListKeepsItsFolderWhenTheNewOneCannotBeRead() {
    QTemporaryDir dir;
    FolderList folders;
    folders.setPath(dir.path());
    try {
        folders.setPath(dir.filePath(QStringLiteral("missing")));
        QFAIL("a missing folder was opened");
    } catch (const Failure& failure) {
        QCOMPARE(failure.number(), err::PathNotFound);
    }
    QCOMPARE(folders.path(), dir.path());
}

void FileBrowsersTest::folderListReturnsToTheFolderLastShownOnAVolume() {
    QTemporaryDir volume;
    QTemporaryDir other;
    QDir(volume.path()).mkdir(QStringLiteral("deep"));
    FolderList folders;
    folders.setVolumes({{"/", "/"}, {volume.path(), "vol"}});
    folders.setPath(volume.filePath(QStringLiteral("deep")));
    folders.setPath(other.path());
    folders.setDrive(volume.path());
    QCOMPARE(folders.path(), volume.filePath(QStringLiteral("deep")));
    // A remembered folder that has gone: the volume's root instead.
    QVERIFY(QDir(volume.filePath(QStringLiteral("deep"))).removeRecursively());
    folders.setPath(other.path());
    folders.setDrive(volume.path());
    QCOMPARE(folders.path(), volume.path());
}

void FileBrowsersTest::driveSelectorRestoresWithoutAChangeEvent() {
    DriveSelector drives;
    drives.setVolumes({{"/", "/"}, {"/media/usb", "usb"}});
    QSignalSpy changed(&drives, &DriveSelector::changed);
    drives.setDrive(QStringLiteral("/media/usb/photos"));
    QCOMPARE(drives.drive(), QStringLiteral("/media/usb"));
    QCOMPARE(changed.count(), 1);
    drives.restoreDrive(QStringLiteral("/home"));
    QCOMPARE(drives.drive(), QStringLiteral("/"));
    QCOMPARE(changed.count(), 1);
}

void FileBrowsersTest::driveThatCannotBeReadReturnsTheSelector() {
    QTemporaryDir dir;
    const QList<Volume> volumes = {{"/", "/"}, {dir.filePath("gone"), "gone"}};
    DriveSelector drives;
    drives.setVolumes(volumes);
    FolderList folders;
    folders.setVolumes(volumes);
    folders.setPath(dir.path());
    QString oldDrive = drives.drive();
    QSignalSpy changed(&drives, &DriveSelector::changed);
    drives.setDrive(dir.filePath("gone"));
    const std::optional<Failure> failure = followDrive(drives, folders, oldDrive);
    QVERIFY(failure);
    QCOMPARE(failure->number(), err::PathNotFound);
    QCOMPARE(drives.drive(), QStringLiteral("/"));
    QCOMPARE(oldDrive, QStringLiteral("/"));
    QCOMPARE(folders.path(), dir.path());
    QCOMPARE(changed.count(), 1);
}

QTEST_MAIN(FileBrowsersTest)
#include "file_browsers_test.moc"
