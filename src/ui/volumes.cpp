#include "ui/volumes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace pixa::ui {

namespace {

const QString kSystemRoot = QStringLiteral("/");

// File systems that hold no files of a person's, or that stand for something else: the kernel's
// views, triggers of automounts, the layered roots of containers and the images of snaps.
bool isSystemFileSystem(const QString& type) {
    static constexpr const char* system[] = {
        "proc",       "sysfs",       "cgroup",         "cgroup2",    "devpts",    "devtmpfs",
        "mqueue",     "debugfs",     "tracefs",        "securityfs", "selinuxfs", "pstore",
        "bpf",        "configfs",    "fusectl",        "hugetlbfs",  "autofs",    "binfmt_misc",
        "efivarfs",   "nsfs",        "rpc_pipefs",     "overlay",    "squashfs",  "fuse.snapfuse",
        "fuse.lxcfs", "fuse.portal", "fuse.gvfsd-fuse"};
    return std::any_of(std::begin(system), std::end(system),
                       [&](const char* name) { return type == QLatin1String(name); });
}

bool isUnder(const QString& path, const QString& folder) {
    return path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

// How many folders deeper than `folder` the path lies; -1 when it is not under it.
int depthUnder(const QString& path, const QString& folder) {
    if (!isUnder(path, folder)) return -1;
    return path.mid(folder.size() + 1).count(QLatin1Char('/')) + 1;
}

bool isSystemLocation(const QString& mountPoint) {
    static constexpr const char* system[] = {"/proc",
                                             "/sys",
                                             "/dev",
                                             "/run",
                                             "/boot",
                                             "/efi",
                                             "/snap",
                                             "/var/snap",
                                             "/var/lib/snapd",
                                             "/var/lib/flatpak",
                                             "/var/lib/docker",
                                             "/var/lib/containers"};
    // What the desktop mounts of removable media is the one exception under /run.
    if (isUnder(mountPoint, QStringLiteral("/run/media")))
        return mountPoint.contains(QLatin1String("/."));
    for (const char* folder : system) {
        if (mountPoint == QLatin1String(folder) || isUnder(mountPoint, QLatin1String(folder)))
            return true;
    }
    // A mount in a hidden folder was hidden on purpose.
    return mountPoint.contains(QLatin1String("/."));
}

bool ownedByUser(const MountEntry& mount, const DriveUser& user) {
    // For root every mount is its own: that says nothing.
    if (user.id == 0) return false;
    const QString id = QString::number(user.id);
    return mount.options.contains(QStringLiteral("uid=") + id) ||
           mount.options.contains(QStringLiteral("user_id=") + id);
}

// Where people mount what they plug in or add: /media/<volume> or /media/<user>/<volume>,
// /mnt/<volume>, /run/media/<user>/<volume> (any user's for root), and their home folder.
bool isPersonalLocation(const QString& mountPoint, const DriveUser& user) {
    const int media = depthUnder(mountPoint, QStringLiteral("/media"));
    if (media == 1 || media == 2) return true;
    if (depthUnder(mountPoint, QStringLiteral("/mnt")) == 1) return true;
    if (user.id == 0) {
        if (depthUnder(mountPoint, QStringLiteral("/run/media")) == 2) return true;
    } else if (!user.name.isEmpty() &&
               depthUnder(mountPoint, QStringLiteral("/run/media/") + user.name) == 1) {
        return true;
    }
    return !user.home.isEmpty() && user.home != kSystemRoot && isUnder(mountPoint, user.home);
}

bool isOffered(const MountEntry& mount, const DriveUser& user) {
    if (isSystemFileSystem(mount.fsType) || isSystemLocation(mount.mountPoint)) return false;
    // A folder of another file system shown here again (containers' files, sandboxes).
    if (mount.fsRoot != kSystemRoot) return false;
    return isPersonalLocation(mount.mountPoint, user) || ownedByUser(mount, user);
}

// "\040"-style octal escapes, as the mount table writes spaces, tabs and backslashes.
QString decodeOctal(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QByteArray digits = field.mid(i + 1, 3);
        bool ok = false;
        const int code = field[i] == '\\' && digits.size() == 3 ? digits.toInt(&ok, 8) : 0;
        if (ok && code < 256) {
            out += static_cast<char>(code);
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

// "\x20"-style escapes, as udev writes the bytes of a label that a link name cannot hold.
QString decodeHex(const QString& name) {
    const QByteArray field = QFile::encodeName(name);
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        bool ok = false;
        const int code = field.mid(i, 2) == "\\x" ? field.mid(i + 2, 2).toInt(&ok, 16) : 0;
        if (ok && field.mid(i + 2, 2).size() == 2) {
            out += static_cast<char>(code);
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

QString lastFolder(const QString& mountPoint) {
    return mountPoint.mid(mountPoint.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QList<MountEntry> parseMountInfo(const QByteArray& mountInfo) {
    QList<MountEntry> mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 2 >= fields.size()) continue;
        MountEntry mount;
        mount.fsRoot = decodeOctal(fields[3]);
        mount.mountPoint = decodeOctal(fields[4]);
        mount.options = decodeOctal(fields[5]).split(QLatin1Char(','));
        mount.fsType = decodeOctal(fields[dash + 1]);
        mount.device = decodeOctal(fields[dash + 2]);
        if (dash + 3 < fields.size())
            mount.options += decodeOctal(fields[dash + 3]).split(QLatin1Char(','));
        mounts.append(mount);
    }
    return mounts;
}

QList<Volume> offeredVolumes(const QList<MountEntry>& mounts, const DriveUser& user) {
    QList<Volume> volumes = {{kSystemRoot, QStringLiteral("/ (system)")}};
    const bool homeOffered = user.home.startsWith(QLatin1Char('/')) && user.home != kSystemRoot;
    if (homeOffered) volumes.append({user.home, QStringLiteral("Home")});

    // A later mount on the same point covers the earlier one: the last one is what is seen.
    QList<const MountEntry*> shown;
    for (const MountEntry& mount : mounts) {
        shown.removeIf([&](const MountEntry* m) { return m->mountPoint == mount.mountPoint; });
        shown.append(&mount);
    }
    QList<Volume> others;
    for (const MountEntry* mount : shown) {
        if (mount->mountPoint == kSystemRoot || (homeOffered && mount->mountPoint == user.home))
            continue;
        if (!isOffered(*mount, user)) continue;
        const QString name = mount->label.isEmpty() ? lastFolder(mount->mountPoint) : mount->label;
        others.append({mount->mountPoint, name});
    }
    std::sort(others.begin(), others.end(),
              [](const Volume& a, const Volume& b) { return a.root < b.root; });
    QStringList names;
    for (const Volume& volume : volumes + others)
        names << volume.name;
    for (Volume& volume : others) {
        if (names.count(volume.name) > 1)
            volume.name = QStringLiteral("%1 (%2)").arg(volume.name, volume.root);
    }
    return volumes + others;
}

QHash<QString, QString> volumeLabels(const QString& byLabelFolder) {
    QHash<QString, QString> labels;
    QDirIterator links(byLabelFolder, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    while (links.hasNext()) {
        const QFileInfo link(links.next());
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty()) labels.insert(device, decodeHex(link.fileName()));
    }
    return labels;
}

QList<Volume> mountedVolumes() {
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    QList<MountEntry> mounts;
    if (table.open(QIODevice::ReadOnly)) mounts = parseMountInfo(table.readAll());
    const QHash<QString, QString> labels = volumeLabels(QStringLiteral("/dev/disk/by-label"));
    for (MountEntry& mount : mounts) {
        if (mount.device.startsWith(QLatin1String("/dev/")))
            mount.label = labels.value(QFileInfo(mount.device).canonicalFilePath());
    }
    DriveUser user;
    // As the mount table and the current folder write it, links resolved.
    user.home = QFileInfo(QDir::homePath()).canonicalFilePath();
    user.id = ::getuid();
    if (const passwd* entry = ::getpwuid(user.id))
        user.name = QString::fromLocal8Bit(entry->pw_name);
    return offeredVolumes(mounts, user);
}

QString volumeRootOf(const QList<Volume>& volumes, const QString& path) {
    QString best = kSystemRoot;
    for (const Volume& volume : volumes) {
        const QString& root = volume.root;
        const bool inside = path == root || root == kSystemRoot || isUnder(path, root);
        if (inside && root.size() > best.size()) best = root;
    }
    return best;
}

} // namespace pixa::ui
