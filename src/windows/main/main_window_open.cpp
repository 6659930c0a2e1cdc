// The main window opens a photo by the dialog, a drop or its name, and steps through a folder or
// the search's list, showing a photo prepared ahead at once.
#include "windows/main/main_window.h"

#include "core/error.h"
#include "core/file_content.h"
#include "core/messages.h"
#include "core/picture_folder.h"
#include "core/session.h"
#include "ui/error_report.h"
#include "ui/file_browsers.h"
#include "ui/yielder.h"
#include "windows/main/command_bar.h"
#include "windows/main/info_panel.h"
#include "windows/main/open_command.h"
#include "windows/main/open_route.h"
#include "windows/main/photo_collection.h"
#include "windows/main/photo_view.h"

#include <QScopeGuard>

namespace pixa::ui {

namespace fs = std::filesystem;

void MainWindow::open() {
    if (!ownerPresent() || m_view->stopDecodingThen([this] { run(Command::Open); })) return;
    LongWork work(*this);
    if (!work.started()) return;
    FileDialogResult chosen;
    try {
        chosen = m_open->choose();
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::File, failure, true);
        Yielder().yieldNow();
        return;
    }
    openChosen(chosen.fileName, chosen.filterIndex, work.stopToken());
}

void MainWindow::openByName(const QString& path, const std::vector<fs::path>& stepList) {
    if (!ownerPresent() ||
        m_view->stopDecodingThen([this, path, stepList] { openByName(path, stepList); }))
        return;
    LongWork work(*this);
    if (!work.started()) return;
    openChosen(path, kNoDialogType, work.stopToken());
    m_collection->setList(stepList);
}

void MainWindow::viewPhoto(const QString& file, const QStringList& stepList) {
    std::vector<fs::path> list;
    for (const QString& listed : stepList)
        list.push_back(localPath(listed));
    openByName(file, list);
}

void MainWindow::openChosen(const QString& path, int filterIndex, std::stop_token stop) {
    m_collection->stopPreparing();
    m_collection->setList({});
    try {
        m_open->openFile(path, openRoute(path, filterIndex), stop);
    } catch (const Failure& failure) {
        // A decode stopped by the exit button or a new open has nothing to say.
        if (failure.number() == err::UserInterrupt) return;
        reportError(m_platform, this, ErrorVariant::File, failure, true);
        Yielder().yieldNow();
    } catch (const std::bad_alloc&) {
        reportError(m_platform, this, ErrorVariant::File, Failure(err::OutOfMemory));
    }
}

void MainWindow::step(bool forward) {
    if (!ownerPresent() || m_collection->place().isEmpty() ||
        m_view->stopDecodingThen([this, forward] { step(forward); }))
        return;
    m_collection->stopPreparing();
    LongWork work(*this);
    if (!work.started()) return;
    // A fitted photo is followed by the next one fitted.
    m_view->setKeepFit(m_view->fitted());
    const auto viewKept = qScopeGuard([this] { m_view->setKeepFit(false); });
    m_collection->walk(
        forward, [&](const fs::path& file) { stepTo(file, work.stopToken()); },
        [this](const QString& line) { m_info->setStatus(line); }, work.stopToken());
}

void MainWindow::stepTo(const fs::path& file, std::stop_token stop) {
    // A file that vanished, cannot be read or is no photo is passed over before the screen
    // changes.
    if (fileContentOf(file) == FileContent::Other)
        throw Failure(err::InvalidPicture, "not a photo");
    const QString path = windowPath(file);
    if (!showPrepared(path)) m_open->openFile(path, openRoute(path, kNoDialogType), stop);
}

bool MainWindow::showPrepared(const QString& file) {
    std::optional<PhotoAhead::Photo> photo = m_collection->takePrepared(file);
    if (!photo) return false;
    m_collection->setPlace(file);
    if (!photo->unwrapped) {
        m_info->describe({});
        m_view->place(std::move(photo->picture), false);
        m_photo.show({ShownPhoto::Kind::Picture, file, openRoute(file, kNoDialogType).fileType},
                     true);
        return true;
    }
    // Shown as a remembered unwrap is. The photo is awaited before its prepared picture becomes
    // the incoming one, which the rules would otherwise remove as nobody's.
    m_photo.awaitPassword(file);
    UnwrapResult result = std::move(*photo->unwrapped);
    try {
        m_session.unwrappedPicture().takePrepared(photo->slot);
    } catch (...) {
        m_photo.passwordNotGiven();
        throw;
    }
    result.picture = windowPath(m_session.unwrappedPicture().incomingPath());
    result.decoded = std::move(photo->picture);
    // A lock while the box is up ends the wait, and the rules then discard the picture.
    if (!result.tagComplete) m_platform.message(this, coreText(msg::CorruptTag));
    m_photo.showUnwrapped(result);
    return true;
}

} // namespace pixa::ui
