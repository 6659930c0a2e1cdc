// The browsing controls: the drives offered and their names, path joining at a root, the volume
// of a path, the file list's patterns and order, the folder list's chain, refusals and memory of
// each volume's folder, and the drive selector following the folder list into another volume.
#include "core/error.h"
#include "ui/file_browsers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace pixa;
using namespace pixa::ui;

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// A mount table of a desktop with containers, a sandbox, a few disks and mounts of two users.
const char kMountInfo[] =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime - ext4 /dev/vda1 rw\n"
    "28 27 0:25 / /mnt/sandboxing/tools/v1/python ro - tmpfs tools ro,size=4k\n"
    "30 27 8:17 / /media/anna/disk1 rw,nosuid shared:5 - vfat /dev/sdb1 rw,uid=1000\n"
    "31 27 8:18 / /media/anna/My\\040Disk rw - exfat /dev/sdb2 rw\n"
    "32 27 8:33 / /mnt/data rw - ext4 /dev/sdc1 rw\n"
    "33 27 8:34 / /media/anna/data rw - ext4 /dev/sdc2 rw\n"
    "34 27 8:49 / /run/media/anna/CAMERA rw - exfat /dev/sdd1 rw\n"
    "35 27 8:50 / /run/media/bob/DISK rw - exfat /dev/sdd2 rw\n"
    "36 27 0:40 / /run/user/1000 rw - tmpfs tmpfs rw,uid=1000\n"
    "37 27 8:2 / /boot/efi rw - vfat /dev/sda2 rw,uid=1000\n"
    "39 27 0:50 / /home/anna/build/merged rw - overlay overlay rw\n"
    "40 27 254:0 /home/anna/shared /mnt/shared rw - ext4 /dev/vda1 rw\n"
    "41 27 0:51 / /home/anna/remote rw - fuse.sshfs host:/photos rw,user_id=1000\n"
    "42 27 0:52 / /home/anna/.cache/doc rw - fuse.x x rw\n"
    "43 27 0:53 / /srv/mine rw - fuse.sshfs host:/x rw,user_id=1000\n"
    "44 27 0:54 / /srv/theirs rw - fuse.sshfs host:/y rw,user_id=1001\n"
    "46 27 0:56 / /tmp rw - tmpfs tmpfs rw\n"
    "47 27 0:57 / /mnt/usb rw - autofs systemd-1 rw\n"
    "garbage line\n";

} // namespace

class FileBrowsersTest : public QObject {
    Q_OBJECT
private slots:
    void offersTheDrivesAPersonMounted_data();
    void offersTheDrivesAPersonMounted();
    void readsTheLabelsOfTheVolumes();
    void driveFollowsTheFolderListIntoAnotherVolume_data();
    void driveFollowsTheFolderListIntoAnotherVolume();
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

void FileBrowsersTest::offersTheDrivesAPersonMounted_data() {
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("name"); // empty: not offered
    QTest::newRow("system") << "/"
                            << "/ (system)";
    QTest::newRow("home") << "/home/anna"
                          << "Home";
    QTest::newRow("labelled stick") << "/media/anna/disk1"
                                    << "Holiday Photos";
    QTest::newRow("escaped space") << "/media/anna/My Disk"
                                   << "My Disk";
    QTest::newRow("name that two share") << "/mnt/data"
                                         << "data (/mnt/data)";
    QTest::newRow("the user's removable") << "/run/media/anna/CAMERA"
                                          << "CAMERA";
    QTest::newRow("another user's removable") << "/run/media/bob/DISK"
                                              << "";
    QTest::newRow("in the home folder") << "/home/anna/remote"
                                        << "remote";
    QTest::newRow("the user's own elsewhere") << "/srv/mine"
                                              << "mine";
    QTest::newRow("another user's own") << "/srv/theirs"
                                        << "";
    QTest::newRow("nowhere personal") << "/tmp"
                                      << "";
    QTest::newRow("sandbox deep in /mnt") << "/mnt/sandboxing/tools/v1/python"
                                          << "";
    QTest::newRow("hidden folder") << "/home/anna/.cache/doc"
                                   << "";
    QTest::newRow("bind mount of a folder") << "/mnt/shared"
                                            << "";
    QTest::newRow("container layers") << "/home/anna/build/merged"
                                      << "";
    QTest::newRow("automount trigger") << "/mnt/usb"
                                       << "";
    QTest::newRow("the user's, under /run") << "/run/user/1000"
                                            << "";
    QTest::newRow("the user's, system partition") << "/boot/efi"
                                                  << "";
}

void FileBrowsersTest::offersTheDrivesAPersonMounted() {
    QFETCH(QString, root);
    QFETCH(QString, name);
    QList<MountEntry> mounts = parseMountInfo(kMountInfo);
    QCOMPARE(mounts.size(), 19);
    for (MountEntry& mount : mounts) {
        if (mount.device == QLatin1String("/dev/sdb1"))
            mount.label = QStringLiteral("Holiday Photos");
    }
    const QList<Volume> volumes = offeredVolumes(mounts, {"/home/anna", "anna", 1000});
    QCOMPARE(volumes.front().root, QStringLiteral("/"));
    QCOMPARE(volumes.at(1).root, QStringLiteral("/home/anna"));
    const auto found = std::find_if(volumes.begin(), volumes.end(),
                                    [&](const Volume& v) { return v.root == root; });
    QCOMPARE(found == volumes.end() ? QString() : found->name, name);
}

void FileBrowsersTest::readsTheLabelsOfTheVolumes() {
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("sdb1")));
    QDir(dir.path()).mkdir(QStringLiteral("by-label"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("sdb1")),
                        dir.filePath(QStringLiteral("by-label/Holiday\\x20Photos"))));
    const QHash<QString, QString> labels = volumeLabels(dir.filePath(QStringLiteral("by-label")));
    QCOMPARE(labels.value(QFileInfo(dir.filePath(QStringLiteral("sdb1"))).canonicalFilePath()),
             QStringLiteral("Holiday Photos"));
}

void FileBrowsersTest::driveFollowsTheFolderListIntoAnotherVolume_data() {
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("drive");
    QTest::newRow("a volume mounted in a folder") << "usb/photos"
                                                  << "usb";
    QTest::newRow("a volume mounted in a volume") << "usb/inner/x"
                                                  << "usb/inner";
    QTest::newRow("the home folder") << "home/docs"
                                     << "home";
    QTest::newRow("a sibling sharing a prefix") << "usb2"
                                                << "";
}

void FileBrowsersTest::driveFollowsTheFolderListIntoAnotherVolume() {
    QFETCH(QString, entered);
    QFETCH(QString, drive);
    QTemporaryDir dir;
    for (const char* folder : {"usb/photos", "usb/inner/x", "usb2", "home/docs"})
        QVERIFY(QDir(dir.path()).mkpath(QString::fromLatin1(folder)));
    const QString root = drive.isEmpty() ? QStringLiteral("/") : dir.filePath(drive);
    const QList<Volume> volumes = {{"/", "/ (system)"},
                                   {dir.filePath("home"), "Home"},
                                   {dir.filePath("usb"), "usb"},
                                   {dir.filePath("usb/inner"), "inner"}};
    DriveSelector drives;
    drives.setVolumes(volumes);
    FolderList folders;
    folders.setVolumes(volumes);
    // Wired as the browsing windows wire them.
    QString oldDrive;
    connect(&folders, &FolderList::pathChanged, this,
            [&] { followFolder(drives, folders, oldDrive); });
    connect(&drives, &DriveSelector::changed, this,
            [&] { QVERIFY(!followDrive(drives, folders, oldDrive)); });
    folders.setPath(dir.path());
    QCOMPARE(drives.drive(), QStringLiteral("/"));

    QSignalSpy driveChanges(&drives, &DriveSelector::changed);
    folders.setPath(dir.filePath(entered));
    QCOMPARE(drives.drive(), root);
    QCOMPARE(oldDrive, root);
    QCOMPARE(driveChanges.count(), 0);
    QCOMPARE(folders.item(0)->data(Qt::UserRole).toString(), root);
    // The drive shown, chosen again: its root.
    emit drives.activated(drives.currentIndex());
    QCOMPARE(folders.path(), root);
    if (root == QLatin1String("/")) return;
    // Another drive chosen: the folder last shown there, where the walk began.
    drives.setCurrentIndex(0);
    emit drives.activated(0);
    QCOMPARE(folders.path(), dir.path());
}

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
    QTest::newRow("system") << "/srv/photos"
                            << "/";
    QTest::newRow("in the home folder") << "/home/anna/photos"
                                        << "/home/anna";
    QTest::newRow("beside the home folder") << "/home/annabel"
                                            << "/";
    QTest::newRow("a volume in the home folder") << "/home/anna/stick/x"
                                                 << "/home/anna/stick";
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
    const QList<Volume> volumes = {{"/", "/"},
                                   {"/home/anna", "Home"},
                                   {"/home/anna/stick", "stick"},
                                   {"/media/usb", "usb"},
                                   {"/media/usb/inner", "in"}};
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
    // A choice by keyboard is a change too.
    QTest::keyClick(&drives, Qt::Key_Down);
    QCOMPARE(drives.drive(), QStringLiteral("/media/usb"));
    QCOMPARE(changed.count(), 2);
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
