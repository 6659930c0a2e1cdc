// The browsing controls of the batch and search windows: a drive selector over the offered
// drives, a folder list that walks one drive's folders, and a file list filtered by patterns.
#pragma once

#include "core/error.h"
#include "ui/volumes.h"

#include <QComboBox>
#include <QHash>
#include <QListWidget>
#include <QStringList>

#include <filesystem>
#include <optional>

namespace pixa::ui {

// `folder`, then "/" unless it ends in one already, then `name`.
QString joinPath(const QString& folder, const QString& name);

// `path` for the core, in the local encoding of file names.
std::filesystem::path localPath(const QString& path);
// A core path as the windows name it: localPath() undone.
QString windowPath(const std::filesystem::path& path);

// The drive selector: one entry a drive, its mount point as the entry's tooltip. changed() is
// the change event, raised whenever the user chooses a drive, the one shown too, and when a
// caller of setDrive picks another.
class DriveSelector : public QComboBox {
    Q_OBJECT
public:
    explicit DriveSelector(QWidget* parent = nullptr);

    // Lists these volumes instead of the mounted ones (tests).
    void setVolumes(const QList<Volume>& volumes);
    const QList<Volume>& volumes() const { return m_volumes; }

    // The current volume's root.
    QString drive() const;
    // Selects the volume holding `path`; raises changed() when that is another volume.
    void setDrive(const QString& path);
    // Selects the volume holding `path` without raising changed(): a return to the former drive,
    // or the drive of the folder the folder list entered.
    void restoreDrive(const QString& path);

signals:
    void changed();

private:
    QList<Volume> m_volumes;
};

// The folder list: the current folder's ancestors from its volume's root down, then its
// subfolders; activating an entry (double click, Enter) opens it. pathChanged() is the change
// event. A volume's root path ends in "/", other paths do not.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // Walks these volumes instead of the mounted ones (tests).
    void setVolumes(const QList<Volume>& volumes) { m_volumes = volumes; }

    QString path() const { return m_path; }
    // Opens `folder`; throws pixa::Failure (the folder's error: 76 missing, 70 denied, 68 for a
    // volume that cannot be read) and keeps the former folder when it cannot be listed.
    void setPath(const QString& folder);
    // Opens the folder last shown on the volume `root`, else the root itself; throws as setPath.
    void setDrive(const QString& root);
    // Opens the process's current folder, else "/", without raising pathChanged(): where a
    // browsing window starts.
    void startAtCurrentFolder();

signals:
    void pathChanged();

private:
    void fill(const QStringList& subfolders);

    QString m_path;
    QHash<QString, QString> m_lastFolderOfVolume;
    QList<Volume> m_volumes;
};

// A drive change: `folder` moves to the drive `drive` shows (to its root when that is `oldDrive`,
// the drive shown before, chosen again), and `oldDrive` becomes that drive. When the drive cannot
// be read the selector returns to `oldDrive` without a change event, and the failure is returned.
std::optional<Failure> followDrive(DriveSelector& drive, FolderList& folder, QString& oldDrive);

// A folder change: `drive` shows the drive of the folder that `folder` entered (a volume mounted
// in a folder of another one, say) without a change event, and `oldDrive` becomes that drive.
void followFolder(DriveSelector& drive, const FolderList& folder, QString& oldDrive);

// The file list: the files of one folder that match its patterns (any letter case), sorted by
// name without regard to case; several can be selected (click, Shift and Ctrl). Entries that
// are not regular files (FIFOs, broken links) are listed too, so that they are not silently
// passed over.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    // "*.bmp;*.jpg"
    void setPattern(const QString& pattern);
    QString folder() const { return m_folder; }
    // Lists the folder's matching files; an unreadable folder gives an empty list.
    void setFolder(const QString& folder);
    void refresh();

    int entryCount() const { return count(); }
    QString name(int entry) const;
    bool isSelected(int entry) const;

private:
    QString m_folder;
    QStringList m_patterns;
};

} // namespace pixa::ui
