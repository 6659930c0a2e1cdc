// The main window opens a photo by the dialog, a drop or its name, and steps through a folder or
// the search's list, showing a photo prepared ahead at once.
#include "windows/main/main_window.h"

#include "core/error.h"
#include "core/file_content.h"
#include "core/messages.h"
#include "core/photo_sequence.h"
#include "core/picture_folder.h"
#include "core/session.h"
#include "ui/busy_pointer.h"
#include "ui/error_report.h"
#include "ui/file_browsers.h"
#include "ui/yielder.h"
#include "windows/main/command_bar.h"
#include "windows/main/info_panel.h"
#include "windows/main/open_route.h"
#include "windows/main/photo_collection.h"
#include "windows/main/photo_view.h"
#include "windows/unlock/viewer_unlock.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <new>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

void yield() {
    Yielder().yieldNow();
}

QString fileName(const fs::path& file) {
    return QString::fromStdString(file.filename().string());
}

} // namespace

void MainWindow::open() {
    if (!ownerPresent() || m_view->stopDecodingThen([this] { run(Command::Open); })) return;
    LongWork work(*this);
    if (!work.started()) return;
    FileDialogResult chosen;
    try {
        // The dialog starts from what it held last, after an open or a save.
        FileDialogRequest request = m_dialog;
        request.filter = openDialogFilter();
        chosen = m_platform.openFile(this, request);
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::File, failure, true);
        yield();
        return;
    }
    m_dialog.fileName = chosen.fileName;
    m_dialog.filterIndex = chosen.filterIndex;
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
        openFile(path, openRoute(path, filterIndex), stop);
    } catch (const Failure& failure) {
        // A decode stopped by the exit button or a new open has nothing to say.
        if (failure.number() == err::UserInterrupt) return;
        reportError(m_platform, this, ErrorVariant::File, failure, true);
        yield();
    } catch (const std::bad_alloc&) {
        reportError(m_platform, this, ErrorVariant::File, Failure(err::OutOfMemory));
    }
}

void MainWindow::openFile(const QString& path, const OpenRoute& route, std::stop_token stop) {
    route.wrapped ? openWrapped(path, stop) : showPlain(path, route, stop);
}

void MainWindow::openWrapped(const QString& path, std::stop_token stop) {
    // Unwrapped at once when a remembered password opens it, else the unlock window asks; the
    // bar shows once an unwrap runs.
    const int blocks = barRange(pictureBlocks(QFileInfo(path).size()));
    const auto hideBar = qScopeGuard([this] { m_commands->hideProgress(); });
    const Progress progress = barProgress([this, blocks](int block, int) {
        if (!m_commands->progressShown()) m_commands->showProgress(blocks);
        m_commands->setProgress(block);
    });
    ViewerUnlock::Opening opening = ViewerUnlock::Opening::Refused;
    if (m_unlock) opening = m_unlock->open(path, progress, stop);
    if (opening == ViewerUnlock::Opening::Refused) {
        m_platform.message(this, ViewerUnlock::busyText());
    } else {
        m_collection->setPlace(path);
    }
    yield();
}

void MainWindow::showPlain(const QString& path, const OpenRoute& route, std::stop_token stop) {
    BusyPointer busy;
    yield();
    describe({});
    // Nothing can be saved while the file is loaded; a picture that does not load leaves the
    // one shown before on screen, and nothing to save.
    m_photo.show({ShownPhoto::Kind::Nothing, path, route.fileType}, false);
    yield();
    try {
        m_view->showFile(path, stop);
    } catch (...) {
        if (!m_view->hasPhoto()) m_info->showZoom({}, false);
        throw;
    }
    m_photo.show({ShownPhoto::Kind::Picture, path, route.fileType}, true);
    m_collection->setPlace(path);
    busy.release();
    yield();
}

void MainWindow::step(bool forward) {
    if (!ownerPresent() || m_collection->place().isEmpty() ||
        m_view->stopDecodingThen([this, forward] { step(forward); }))
        return;
    m_collection->stopPreparing();
    LongWork work(*this);
    if (!work.started()) return;
    m_collection->setForward(forward);
    // A fitted photo is followed by the next one fitted.
    m_view->setKeepFit(m_view->fitted());
    const auto viewKept = qScopeGuard([this] { m_view->setKeepFit(false); });
    try {
        const std::vector<fs::path> list = m_collection->photos();
        fs::path place = localPath(m_collection->place());
        QString passedOver;
        while (const auto next = stepFrom(list, place, forward)) {
            place = list[*next];
            // The place moves before the photo decodes: a step pressed meanwhile stops this one
            // and goes on from here rather than starting it again.
            m_collection->setPlace(windowPath(place));
            try {
                stepTo(place, work.stopToken());
                // The line of a file passed over on the way stays under the photo shown.
                if (!passedOver.isEmpty()) m_info->setStatus(passedOver);
                return;
            } catch (const Failure& failure) {
                if (failure.number() == err::UserInterrupt) return;
                passedOver =
                    QStringLiteral("Skipped %1: %2")
                        .arg(fileName(place), QString::fromStdString(failure.description()));
                m_info->setStatus(passedOver);
                yield();
                // A lock or a new command during the yield ends the walk here.
                if (work.stopRequested()) return;
            }
        }
        const QString where = m_collection->inList() ? QStringLiteral("in this search")
                                                     : QStringLiteral("in this folder");
        m_info->setStatus(
            (forward ? QStringLiteral("No next photo %1") : QStringLiteral("No previous photo %1"))
                .arg(where));
    } catch (const Failure& failure) {
        m_info->setStatus(QString::fromStdString(failure.what()));
    } catch (const std::bad_alloc&) {
        m_info->setStatus(QString::fromStdString(Failure(err::OutOfMemory).what()));
    }
}

void MainWindow::stepTo(const fs::path& file, std::stop_token stop) {
    // A file that vanished, cannot be read or is no photo is passed over before the screen
    // changes.
    if (fileContentOf(file) == FileContent::Other)
        throw Failure(err::InvalidPicture, "not a photo");
    const QString path = windowPath(file);
    if (!showPrepared(path)) openFile(path, openRoute(path, kNoDialogType), stop);
}

bool MainWindow::showPrepared(const QString& file) {
    std::optional<PhotoAhead::Photo> photo = m_collection->takePrepared(file);
    if (!photo) return false;
    m_collection->setPlace(file);
    if (!photo->unwrapped) {
        describe({});
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
