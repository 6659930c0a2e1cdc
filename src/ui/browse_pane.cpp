#include "ui/browse_pane.h"

#include "core/error.h"
#include "ui/file_browsers.h"
#include "ui/platform.h"

namespace pixa::ui {

BrowsePane::BrowsePane(QWidget& window, Platform& platform, const Place& place)
    : QObject(&window), m_window(window), m_platform(platform) {
    m_folders = new FolderList(&window);
    m_folders->setObjectName(QString::fromLatin1(place.folderName));
    m_folders->setGeometry(place.folders);
    m_drive = new DriveSelector(&window);
    m_drive->setObjectName(QString::fromLatin1(place.driveName));
    m_drive->setGeometry(place.drive);
    if (place.fileName) {
        m_files = new FileList(&window);
        m_files->setObjectName(QString::fromLatin1(place.fileName));
        m_files->setGeometry(place.files);
    }
    connect(m_drive, &DriveSelector::changed, this, &BrowsePane::driveChanged);
    connect(m_folders, &FolderList::pathChanged, this, &BrowsePane::folderListChanged);
}

QString BrowsePane::path() const {
    return m_folders->path();
}

void BrowsePane::startAtCurrentFolder() {
    m_folders->startAtCurrentFolder();
    if (m_files) m_files->setFolder(m_folders->path());
    m_drive->restoreDrive(m_folders->path());
    m_oldDrive = m_drive->drive();
}

void BrowsePane::driveChanged() {
    // A drive that can be read changes the folder list, which the pane follows from there.
    const std::optional<Failure> failure = followDrive(*m_drive, *m_folders, m_oldDrive);
    if (failure && failure->number() == err::DeviceUnavailable)
        m_platform.message(&m_window, QStringLiteral("Drive is not ready"));
}

void BrowsePane::folderListChanged() {
    followFolder(*m_drive, *m_folders, m_oldDrive);
    if (m_files) m_files->setFolder(m_folders->path());
    emit folderChanged();
}

} // namespace pixa::ui
