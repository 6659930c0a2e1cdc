// The main window switches between the photo and the grid of the photos a step goes through, and
// shows the photo chosen in the grid.
#include "windows/main/main_window.h"

#include "core/photo_sequence.h"
#include "ui/file_browsers.h"
#include "windows/main/open_command.h"
#include "windows/main/photo_collection.h"
#include "windows/main/photo_grid.h"
#include "windows/unlock/viewer_unlock.h"

#include <QTimer>

namespace pixa::ui {

void MainWindow::switchGrid() {
    if (!ownerPresent() || running()) return;
    if (m_grid->shown()) {
        m_grid->hide();
        return;
    }
    showGrid();
}

void MainWindow::showGrid() {
    // The folder or list of the photo on screen; with none yet, the folder the open dialog is in.
    const bool placed = !m_collection->place().isEmpty() || m_collection->inList();
    m_grid->show(placed ? m_collection->photos() : folderPhotos(localPath(m_open->folder())),
                 m_collection->place());
}

void MainWindow::openFromGrid(const QString& file) {
    std::vector<std::filesystem::path> list;
    if (m_collection->inList()) list = m_grid->photos();
    m_grid->hide();
    // Once the grid's key or click has been handled: the open may ask things and let events in.
    QTimer::singleShot(0, this, [this, file, list] { openByName(file, list); });
}

bool MainWindow::unlockedInGrid(const PffInfo& info) const {
    return m_unlock && m_unlock->opensRemembered(info);
}

} // namespace pixa::ui
