// The drives the browsing windows offer: the root, the home folder and the volumes a person
// mounted (removable disks, a second disk, mounts of their own), named as a person knows them.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace pixa::ui {

// A drive as the drive selector lists it.
struct Volume {
    QString root; // its mount point, "/" for the root file system, the home folder for Home
    QString name; // what the selector shows
};

// One mount of the kernel's mount table.
struct MountEntry {
    QString mountPoint;
    QString fsType;
    QString device;      // the mount's source: "/dev/sdb1", "tmpfs", "host:/share"
    QString fsRoot;      // the folder of its file system shown there; not "/" for a bind mount
    QStringList options; // the mount's options, then its file system's
    QString label;       // the volume's label; empty when it has none
};

// Whose drives they are: the home folder, and the user whom a mount's options may name as its
// owner.
struct DriveUser {
    QString home;
    QString name;
    uint id = 0;
};

// The mounts of /proc/self/mountinfo text, in its order; lines that do not parse are left out.
QList<MountEntry> parseMountInfo(const QByteArray& mountInfo);

// The drives a file manager's side panel would offer: "/ (system)", "Home" (its root is the home
// folder), then by mount point the volumes mounted under /media, /mnt and /run/media/<user>, in
// the home folder, or for this user (uid= or user_id= naming them). System mounts never: pseudo
// file systems, overlays and images (containers, snaps), bind mounts of a folder, hidden
// folders and anything under /boot, /efi, /proc, /sys, /dev or /run. A volume is named by its
// label, else by its mount point's last folder; names that two volumes share get the mount
// point added.
QList<Volume> offeredVolumes(const QList<MountEntry>& mounts, const DriveUser& user);

// The labels of a folder of links named by label, such as /dev/disk/by-label, by the device
// each link leads to; "\x20"-style escapes in the names are decoded.
QHash<QString, QString> volumeLabels(const QString& byLabelFolder);

// The drives of this system, for the user running this process.
QList<Volume> mountedVolumes();

// The drive whose root holds `path` (the longest matching root): a path in the home folder
// belongs to Home unless a volume is mounted deeper. "/" when none does.
QString volumeRootOf(const QList<Volume>& volumes, const QString& path);

} // namespace pixa::ui
