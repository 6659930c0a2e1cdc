#include "windows/main/open_command.h"

#include "core/pff_file.h"
#include "ui/busy_pointer.h"
#include "ui/file_browsers.h"
#include "ui/main_window_rules.h"
#include "ui/yielder.h"
#include "windows/main/command_bar.h"
#include "windows/main/info_panel.h"
#include "windows/main/open_route.h"
#include "windows/main/photo_collection.h"
#include "windows/main/photo_view.h"
#include "windows/unlock/viewer_unlock.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QScopeGuard>

namespace pixa::ui {

OpenCommand::OpenCommand(Platform& platform, QWidget& window, CommandBar& bar, InfoPanel& info,
                         PhotoView& view, ShownPhotoRules& photo, PhotoCollection& collection)
    : m_platform(platform), m_window(window), m_bar(bar), m_info(info), m_view(view),
      m_photo(photo), m_collection(collection) {}

FileDialogResult OpenCommand::choose() {
    FileDialogRequest request = m_dialog;
    request.filter = openDialogFilter();
    const FileDialogResult chosen = m_platform.openFile(&m_window, request);
    remember(chosen);
    return chosen;
}

void OpenCommand::remember(const FileDialogResult& chosen) {
    m_dialog.fileName = chosen.fileName;
    m_dialog.filterIndex = chosen.filterIndex;
}

QString OpenCommand::folder() const {
    return m_dialog.fileName.isEmpty() ? QDir::currentPath()
                                       : QFileInfo(m_dialog.fileName).absolutePath();
}

QString OpenCommand::droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void OpenCommand::openFile(const QString& path, const OpenRoute& route, std::stop_token stop) {
    route.wrapped ? openWrapped(path, stop) : showPlain(path, route, stop);
}

void OpenCommand::openWrapped(const QString& path, std::stop_token stop) {
    // Unwrapped at once when a remembered password opens it, else the unlock window asks; the
    // bar shows once an unwrap runs.
    const int blocks = barRange(pictureBlocks(QFileInfo(path).size()));
    const auto hideBar = qScopeGuard([this] { m_bar.hideProgress(); });
    const Progress progress = barProgress([this, blocks](int block, int) {
        if (!m_bar.progressShown()) m_bar.showProgress(blocks);
        m_bar.setProgress(block);
    });
    ViewerUnlock::Opening opening = ViewerUnlock::Opening::Refused;
    if (m_unlock) opening = m_unlock->open(path, progress, stop);
    if (opening == ViewerUnlock::Opening::Refused) {
        m_platform.message(&m_window, ViewerUnlock::busyText());
    } else {
        m_collection.setPlace(path);
    }
    Yielder().yieldNow();
}

void OpenCommand::showPlain(const QString& path, const OpenRoute& route, std::stop_token stop) {
    BusyPointer busy;
    Yielder().yieldNow();
    m_info.describe({});
    // Nothing can be saved while the file is loaded; a picture that does not load leaves the
    // one shown before on screen, and nothing to save.
    m_photo.show({ShownPhoto::Kind::Nothing, path, route.fileType}, false);
    Yielder().yieldNow();
    try {
        m_view.showFile(path, stop);
    } catch (...) {
        if (!m_view.hasPhoto()) m_info.showZoom({}, false);
        throw;
    }
    m_photo.show({ShownPhoto::Kind::Picture, path, route.fileType}, true);
    m_collection.setPlace(path);
    busy.release();
    Yielder().yieldNow();
}

} // namespace pixa::ui
