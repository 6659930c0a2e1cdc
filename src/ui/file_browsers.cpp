#include "ui/file_browsers.h"

#include "core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>

#include <dirent.h>

#include <cerrno>

namespace pixa::ui {

namespace {

// Opens `folder` for listing the way the list itself will, to learn why it cannot be read.
void checkReadable(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir) {
        const int error = errno;
        // A volume that is there but cannot be read is a device that is not ready.
        if (error == EIO || error == ENXIO || error == ENODEV || error == ENOMEDIUM)
            throw Failure(err::DeviceUnavailable, folder.toStdString());
        // What is missing here is a folder, whatever its parent holds.
        if (error == ENOENT || error == ENOTDIR)
            throw Failure(err::PathNotFound, folder.toStdString());
        throwErrno(error, "open", path.toStdString());
    }
    ::closedir(dir);
}

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

std::filesystem::path localPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString windowPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

DriveSelector::DriveSelector(QWidget* parent) : QComboBox(parent) {
    setVolumes(mountedVolumes());
    // Every choice, the shown drive's too: choosing it again takes the folder list to its root.
    connect(this, &QComboBox::activated, this, &DriveSelector::changed);
}

void DriveSelector::setVolumes(const QList<Volume>& volumes) {
    m_volumes = volumes;
    clear();
    for (const Volume& volume : m_volumes) {
        addItem(volume.name, volume.root);
        setItemData(count() - 1, volume.root, Qt::ToolTipRole);
    }
}

QString DriveSelector::drive() const {
    return currentData().toString();
}

void DriveSelector::setDrive(const QString& path) {
    const int index = findData(volumeRootOf(m_volumes, path));
    if (index < 0 || index == currentIndex()) return;
    setCurrentIndex(index);
    emit changed();
}

void DriveSelector::restoreDrive(const QString& path) {
    const int index = findData(volumeRootOf(m_volumes, path));
    if (index >= 0) setCurrentIndex(index);
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent), m_volumes(mountedVolumes()) {
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(Qt::UserRole).toString();
        if (target == m_path) return;
        try {
            setPath(target);
        } catch (const Failure&) {
            // The folder vanished or is closed to us: the list stays where it was.
        }
    });
}

void FolderList::setPath(const QString& folder) {
    const QString path =
        withoutTrailingSlash(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    checkReadable(path);
    QDir dir(path);
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const bool changed = path != m_path;
    m_path = path;
    m_lastFolderOfVolume.insert(volumeRootOf(m_volumes, m_path), m_path);
    fill(subfolders);
    if (changed) emit pathChanged();
}

void FolderList::setDrive(const QString& root) {
    const QString remembered = m_lastFolderOfVolume.value(root, root);
    try {
        setPath(remembered);
    } catch (const Failure&) {
        if (remembered == root) throw;
        setPath(root);
    }
}

void FolderList::startAtCurrentFolder() {
    const QSignalBlocker quiet(this);
    try {
        setPath(QDir::currentPath());
    } catch (const Failure&) {
        setPath(QStringLiteral("/"));
    }
}

std::optional<Failure> followDrive(DriveSelector& drive, FolderList& folder, QString& oldDrive) {
    const QString chosen = drive.drive();
    try {
        if (chosen == oldDrive)
            folder.setPath(chosen);
        else
            folder.setDrive(chosen);
        oldDrive = chosen;
        return std::nullopt;
    } catch (const Failure& failure) {
        drive.restoreDrive(oldDrive);
        return failure;
    }
}

void followFolder(DriveSelector& drive, const FolderList& folder, QString& oldDrive) {
    drive.restoreDrive(folder.path());
    oldDrive = drive.drive();
}

void FolderList::fill(const QStringList& subfolders) {
    clear();
    const QString root = volumeRootOf(m_volumes, m_path);
    QStringList chain;
    for (QString p = m_path;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (p == root || p == QLatin1String("/")) break;
    }
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    for (const QString& p : chain) {
        const QString label = p == root ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(openIcon, QString(depth * 2, QLatin1Char(' ')) + label);
        item->setData(Qt::UserRole, p);
        // Deep names are cut at the list's edge; the whole path is a hover away.
        item->setToolTip(p);
        addItem(item);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closedIcon, QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(Qt::UserRole, joinPath(m_path, name));
        item->setToolTip(joinPath(m_path, name));
        addItem(item);
    }
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FileList::setPattern(const QString& pattern) {
    m_patterns = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    refresh();
}

void FileList::setFolder(const QString& folder) {
    m_folder = folder;
    refresh();
}

void FileList::refresh() {
    clear();
    if (m_folder.isEmpty()) return;
    QDir dir(m_folder);
    dir.setNameFilters(m_patterns);
    // FIFOs, sockets and broken links too: the window then says why each cannot be read.
    dir.setFilter(QDir::Files | QDir::System);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    addItems(dir.entryList());
}

QString FileList::name(int entry) const {
    const QListWidgetItem* it = item(entry);
    return it ? it->text() : QString();
}

bool FileList::isSelected(int entry) const {
    const QListWidgetItem* it = item(entry);
    return it && it->isSelected();
}

} // namespace pixa::ui
