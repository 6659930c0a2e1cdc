// The browsing pane of the batch and search windows: a drive selector, a folder list and, where
// the window picks files, a file list, placed on the window and kept following each other. A
// drive that cannot be read returns the selector and, when it is not ready, says so.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class QWidget;

namespace pixa::ui {

class DriveSelector;
class FileList;
class FolderList;
class Platform;

class BrowsePane : public QObject {
    Q_OBJECT
public:
    // Where the pane's controls go on `window`, and their names there.
    struct Place {
        const char* driveName;
        QRect drive;
        const char* folderName;
        QRect folders;
        const char* fileName = nullptr; // no file list without one
        QRect files = {};
    };

    BrowsePane(QWidget& window, Platform& platform, const Place& place);

    DriveSelector* drive() const { return m_drive; }
    FolderList* folders() const { return m_folders; }
    FileList* files() const { return m_files; }
    QString path() const;

    // Opens the process's current folder (else "/") and the drive holding it, without a change.
    void startAtCurrentFolder();

signals:
    // The folder list entered another folder, by itself or through a drive change; the drive
    // and the file list follow it already.
    void folderChanged();

private:
    void driveChanged();
    void folderListChanged();

    QWidget& m_window;
    Platform& m_platform;
    DriveSelector* m_drive;
    FolderList* m_folders;
    FileList* m_files = nullptr;
    // The drive shown before the current choice: a return target when a drive cannot be read.
    QString m_oldDrive;
};

} // namespace pixa::ui
